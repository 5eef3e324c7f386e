// A folder of the fuzz program's own (in memory where possible), made on
// first use and removed when the program ends, for the readers that take a
// file path: each run writes its input there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fuzz {

// The path, as the core spells paths ("\" separators), of name in the folder.
std::u16string ScratchPath(std::string_view name);

// Replaces the file at a ScratchPath with the bytes.
void WriteScratchFile(const std::u16string& path, const std::uint8_t* data, std::size_t size);

// The file's bytes (empty when it is missing).
std::string ReadScratchFile(const std::u16string& path);

// Stops the program with a message naming the broken property; libFuzzer
// keeps the input that led here.
[[noreturn]] void Fail(const char* what);
inline void Check(bool holds, const char* what) {
  if (!holds) Fail(what);
}

}  // namespace fuzz
