// Adding one entry to an open archive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/zip/zip_archive.h"
#include "core/zip/zip_result.h"

namespace norda::zip {

class ZipWriter;

// The longest entry name in bytes (names live in 260-byte buffers with their
// terminator), and the most entries an archive holds (a 16-bit count).
constexpr std::size_t kLongestName = 259;
constexpr std::size_t kMostEntries = 65535;

// The deflate level of every deflated entry.
constexpr int kDeflateLevel = 8;

// True when the name's part from its last "." is one of StoredExtensions.
bool IsStoredName(std::string_view name);

// Adds one entry: writes its local header and data, then either fixes the
// header in place (seekable output) or follows the data with a data
// descriptor, and keeps its record for the central directory.
ZipResult AddEntry(ZipWriter& zip, const char16_t* name, const void* source, std::uint32_t length,
                   SourceKind kind);

}  // namespace norda::zip
