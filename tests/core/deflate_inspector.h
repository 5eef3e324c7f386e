// A plain RFC 1951 decoder for tests that look inside a compressed stream:
// block types, stored lengths and the literal/match symbols of each block.
// Natively, every stream it reads is also inflated by zlib and the two
// outputs compared, so it is checked against a decoder nobody here wrote.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace norda::test {

struct DeflateSymbol {
  unsigned length = 0;    // 0 for a literal
  unsigned distance = 0;
  std::uint8_t literal = 0;
};

struct DeflateBlock {
  unsigned type = 0;      // BTYPE: 0 stored, 1 fixed codes, 2 dynamic codes
  bool last = false;
  unsigned storedLength = 0;
  std::vector<DeflateSymbol> symbols;  // without the end-of-block code
};

struct InspectedStream {
  bool ok = false;
  std::string failure;       // why decoding stopped, when not ok
  std::string output;        // the decoded bytes
  std::vector<DeflateBlock> blocks;
  std::size_t bytesUsed = 0; // compressed bytes up to the end of the last block
};

InspectedStream InspectDeflate(const std::string& compressed);

}  // namespace norda::test
