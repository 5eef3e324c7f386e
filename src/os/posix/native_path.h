// Program paths ("\" separated UTF-16) to Linux paths (UTF-8 with "/") and back.
#pragma once

#include <string>

namespace os::posix {

std::string NativePath(const std::u16string& path);
std::u16string ProgramPath(const std::string& nativePath);

}  // namespace os::posix
