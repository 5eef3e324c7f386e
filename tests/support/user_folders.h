// Points the user's folders (application data, documents, temporary files)
// into a scratch folder, so that a test never touches the real ones. Under
// Wine every test program runs in a private prefix whose folders are shared
// by its cases: there the program's report folder is emptied instead, so
// that each case starts as on a fresh machine.
#pragma once

#include "support/scratch_folder.h"

namespace norda::test {

void UseScratchUserFolders(const ScratchFolder& folder);

}  // namespace norda::test
