// Text helpers for the UTF-16 strings that the whole program works in.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/utf8.h"  // the UTF-8 conversions, shared with the os layer

namespace norda {

// White space as the program trims it: blank, tab, CR, LF, vertical tab, form feed.
bool IsWhite(char16_t c);
std::u16string Trim(std::u16string_view text);
std::u16string TrimLeft(std::u16string_view text);
std::u16string TrimRight(std::u16string_view text);

// Simple one-to-one case folding (Latin, Greek, Cyrillic), used wherever the
// program compares names "without regard to case".
char16_t FoldCase(char16_t c);
bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b);
std::u16string ToLowerCase(std::u16string_view text);

// The text cut to at most maxUnits units, never between the halves of a
// surrogate pair (for the program's fixed-size text buffers).
std::u16string CutToUnits(std::u16string_view text, size_t maxUnits);

// Decimal text of a number, and the same in "%03d" form.
std::u16string DecimalText(std::uint64_t value);
std::u16string DecimalText3(unsigned value);

// Path pieces. The program builds its paths with "\"; paths that come from
// outside may also use "/", which the system takes as a separator too.
constexpr char16_t kPathSeparators[] = u"\\/";
// Whether the path names a folder, or is a bare name.
bool HasFolder(std::u16string_view path);
// Part after the last separator (the whole path when it has none).
std::u16string FileNamePart(std::u16string_view path);
// File name without folder and without extension ("C:\x\crash.log" -> "crash").
std::u16string FileTitle(std::u16string_view path);
// Extension of the file name, without its dot ("crash.dmp" -> "dmp"); empty when none.
std::u16string ExtensionWithoutDot(std::u16string_view path);
// Folder part up to and including the last separator (empty when there is none).
std::u16string FolderPart(std::u16string_view path);

}  // namespace norda
