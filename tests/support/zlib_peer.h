// zlib, the decoder and compressor nobody here wrote, for the Linux checks.
#pragma once

#include <string>
#include <string_view>

namespace norda::test {

// Inflates a raw deflate stream that must end exactly at the end of the
// bytes; an empty text on success, else zlib's complaint.
std::string InflateRaw(std::string_view compressed, std::string& out);

// zlib's raw deflate at a level, with the program's window and hash sizes.
std::string DeflateRaw(std::string_view input, int level);

}  // namespace norda::test
