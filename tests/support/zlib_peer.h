// zlib, the decoder and compressor nobody here wrote, for the Linux checks.
#pragma once

#include <string>
#include <string_view>

namespace norda::test {

// Inflates a raw deflate stream that must end exactly at the end of the
// bytes; an empty text on success, else zlib's complaint.
std::string InflateRaw(std::string_view compressed, std::string& out);

// zlib's raw deflate of the input at a level, with the window and hash sizes
// of the program's compressor (15 bits each, memory level 8).
std::string DeflateRaw(std::string_view input, int level);

}  // namespace norda::test
