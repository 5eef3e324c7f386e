// ct_tally: records one symbol of the current block and says when the block
// should end. Inline, as the matchers call it for every symbol.
#pragma once

#include "core/zip/deflate_state.h"

namespace norda::zip::deflate {

// dist is the match distance, 0 for a literal; lc is the match length - 3 or
// the literal byte.
inline bool ct_tally(DeflateState& s, unsigned dist, unsigned lc) {
  s.lBuf[s.lastLit++] = static_cast<std::uint8_t>(lc);
  if (dist == 0) {
    s.dynLTree[lc].freqOrCode++;
  } else {
    dist--;
    const unsigned dcode = DistanceCode(s, dist);
    if (dist >= kMaxDistance || lc > kMaxMatch - MIN_MATCH || dcode >= kDCodes) s.error = kBadMatch;
    s.dynLTree[s.lengthCode[lc & 0xFF] + kLiterals + 1].freqOrCode++;
    s.dynDTree[dcode].freqOrCode++;
    s.dBuf[s.lastDist++] = static_cast<std::uint16_t>(dist);
    s.flags |= s.flagBit;
  }
  s.flagBit = static_cast<std::uint8_t>(s.flagBit << 1);
  if ((s.lastLit & 7) == 0) {
    s.flagBuf[s.lastFlags++] = s.flags;
    s.flags = 0;
    s.flagBit = 1;
  }
  // Above level 2, every 4096 symbols: end a block early when it is mostly
  // literals and already codes to under half its input. The estimate is a
  // bound: 8 bits a symbol plus 5 bits and the extra bits per distance.
  if (s.level > 2 && (s.lastLit & 0xFFF) == 0) {
    std::uint64_t outLength = std::uint64_t{s.lastLit} * 8;
    const std::uint64_t inLength = static_cast<std::uint64_t>(
        static_cast<std::int64_t>(s.strstart) - s.blockStart);
    for (int dcode = 0; dcode < kDCodes; dcode++) {
      outLength += std::uint64_t{s.dynDTree[dcode].freqOrCode} * (5u + kExtraDistanceBits[dcode]);
    }
    outLength >>= 3;
    if (s.lastDist < s.lastLit / 2 && outLength < inLength / 2) return true;
  }
  return s.lastLit == kLitBufSize - 1 || s.lastDist == kDistBufSize;
}

}  // namespace norda::zip::deflate
