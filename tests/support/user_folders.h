// Points the user's folders (application data, documents, temporary files)
// into a scratch folder, so that a test never touches the real ones. Under
// Wine every test already runs in a private prefix, and this does nothing.
#pragma once

#include "support/scratch_folder.h"

namespace norda::test {

void UseScratchUserFolders(const ScratchFolder& folder);

}  // namespace norda::test
