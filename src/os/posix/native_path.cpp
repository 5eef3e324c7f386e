#include "os/posix/native_path.h"

#include "base/utf8.h"

namespace os::posix {

std::string NativePath(const std::u16string& path) {
  std::string native = norda::Utf16ToUtf8(path);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}

std::u16string ProgramPath(const std::string& nativePath) {
  std::u16string path = norda::Utf8ToUtf16(nativePath);
  for (char16_t& c : path) {
    if (c == u'/') c = u'\\';
  }
  return path;
}

}  // namespace os::posix
