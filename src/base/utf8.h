// UTF-8 and UTF-16, the two encodings that the core and the Linux side of the
// os layer both convert between; standard library only.
#pragma once

#include <string>
#include <string_view>

namespace norda {

// ASCII or UTF-8 literal to UTF-16 (malformed bytes become U+FFFD).
std::u16string Utf8ToUtf16(std::string_view utf8);
// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace norda
