// A strict reader of whole ZIP archives as the writer makes them in memory
// (APPNOTE 4.3), the fuzz targets' check of the archive writer: it walks the
// end record, the central directory and each local header, requires the
// records to follow one another without gaps, and inflates every entry with
// zlib, checking its CRC-32 and both sizes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

struct ZipReadEntry {
  std::string name;  // the bytes of the name as stored
  std::uint16_t versionMadeBy = 0;
  std::uint16_t versionNeeded = 0;
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint32_t externalAttributes = 0;
  std::string data;  // the entry's contents, inflated
};

// The entries of the archive in central directory order; an empty text when
// the archive is sound, otherwise what is wrong with it.
std::string ReadZip(std::string_view archive, std::vector<ZipReadEntry>& entries);

}  // namespace fuzz
