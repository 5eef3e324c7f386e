// 8-bit text in the system's code pages.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace os {

// The system's ANSI code page (Windows CP_ACP; 65001, UTF-8, on Linux).
std::uint32_t AnsiCodePage();
// The ANSI code page of the calling thread's locale (Windows CP_THREAD_ACP;
// 65001 on Linux).
std::uint32_t ThreadAnsiCodePage();

// UTF-16 to 8-bit text; a character that the code page cannot represent
// becomes its default character.
std::string FromUtf16(std::u16string_view text, std::uint32_t codePage);
// 8-bit text to UTF-16.
std::u16string ToUtf16(std::string_view bytes, std::uint32_t codePage);

// True when the byte begins a character of two bytes in the code page (the
// Japanese, Chinese and Korean code pages). The byte after it belongs to the
// same character whatever it looks like, "\" included (Shift-JIS "表" is
// 95 5C), so 8-bit text is searched by character, never byte by byte.
bool IsLeadByte(std::uint32_t codePage, char byte);

}  // namespace os
