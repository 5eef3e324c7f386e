// The size of a report file as the dialogs show it, "1,206 KB ".
#pragma once

#include <cstdint>
#include <string>

namespace norda {

// Groups the digits of value in threes with the given thousands separator.
std::u16string GroupedNumberText(std::uint64_t value, const std::u16string& thousandsSeparator);

// Kilobytes of a file, rounded, at least 1, grouped with the locale's thousands
// separator and followed by " KB ". Empty when the file is missing, cannot be
// opened for reading with no sharing (another program holds it), or is empty.
std::u16string FileSizeText(const std::u16string& path);

}  // namespace norda
