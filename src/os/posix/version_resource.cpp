#include "os/version_resource.h"

namespace os {

// Linux executables carry no version resource.
bool ReadVersionResource(const std::u16string&, VersionResource&) { return false; }

}  // namespace os
