// CRC-32 of ZIP entries (ZIP APPNOTE 4.4.7): reflected polynomial 0xEDB88320,
// initial value all ones, final complement.
#pragma once

#include <cstddef>
#include <cstdint>

namespace norda::zip {

// The CRC-32 of the bytes seen so far followed by data. Start from 0 for a
// new entry; feeding the bytes in pieces gives the same value as all at once.
std::uint32_t Crc32Update(std::uint32_t crc, const std::uint8_t* data, std::size_t size);

}  // namespace norda::zip
