// Writing one block: the choice between a stored block, fixed codes and
// dynamic codes (whichever is shortest, counted in whole bytes), the code
// lengths of a dynamic block run-length coded (RFC 1951 3.2.7), and the
// block's symbols.
#include "core/zip/deflate_state.h"

#include "core/zip/deflate_bit_writer.h"

namespace norda::zip::deflate {
namespace {

inline void SendCode(DeflateState& s, int symbol, const TreeNode* tree) {
  SendBits(s.bits, tree[symbol].freqOrCode, tree[symbol].dadOrLen);
}

// Run limits for the code lengths after a run, from the next length.
inline void NextRunLimits(int currentLength, int nextLength, int& maxCount, int& minCount) {
  if (nextLength == 0) {
    maxCount = 138;
    minCount = 3;
  } else if (currentLength == nextLength) {
    maxCount = 6;
    minCount = 3;
  } else {
    maxCount = 7;
    minCount = 4;
  }
}

// Counts the code-length symbols that SendTree will send for tree[0..maxCode].
void ScanTree(DeflateState& s, TreeNode* tree, int maxCode) {
  int prevLength = -1;
  int nextLength = tree[0].dadOrLen;
  int count = 0;
  int maxCount = 7;
  int minCount = 4;
  if (nextLength == 0) {
    maxCount = 138;
    minCount = 3;
  }
  tree[maxCode + 1].dadOrLen = 0xFFFF;  // guard: ends the last run

  for (int n = 0; n <= maxCode; n++) {
    const int currentLength = nextLength;
    nextLength = tree[n + 1].dadOrLen;
    if (++count < maxCount && currentLength == nextLength) continue;
    if (count < minCount) {
      s.blTree[currentLength].freqOrCode = static_cast<std::uint16_t>(s.blTree[currentLength].freqOrCode + count);
    } else if (currentLength != 0) {
      if (currentLength != prevLength) s.blTree[currentLength].freqOrCode++;
      s.blTree[kRep3To6].freqOrCode++;
    } else if (count <= 10) {
      s.blTree[kRepZero3To10].freqOrCode++;
    } else {
      s.blTree[kRepZero11To138].freqOrCode++;
    }
    count = 0;
    prevLength = currentLength;
    NextRunLimits(currentLength, nextLength, maxCount, minCount);
  }
}

// Sends tree[0..maxCode]'s code lengths with the code-length code; the guard
// that ScanTree set is still in place.
void SendTree(DeflateState& s, const TreeNode* tree, int maxCode) {
  int prevLength = -1;
  int nextLength = tree[0].dadOrLen;
  int count = 0;
  int maxCount = 7;
  int minCount = 4;
  if (nextLength == 0) {
    maxCount = 138;
    minCount = 3;
  }

  for (int n = 0; n <= maxCode; n++) {
    const int currentLength = nextLength;
    nextLength = tree[n + 1].dadOrLen;
    if (++count < maxCount && currentLength == nextLength) continue;
    if (count < minCount) {
      do {
        SendCode(s, currentLength, s.blTree);
      } while (--count != 0);
    } else if (currentLength != 0) {
      if (currentLength != prevLength) {
        SendCode(s, currentLength, s.blTree);
        count--;
      }
      if (count < 3 || count > 6) s.error = kBadRepeatCount;
      SendCode(s, kRep3To6, s.blTree);
      SendBits(s.bits, static_cast<unsigned>(count - 3) & 3u, 2);
    } else if (count <= 10) {
      SendCode(s, kRepZero3To10, s.blTree);
      SendBits(s.bits, static_cast<unsigned>(count - 3), 3);
    } else {
      SendCode(s, kRepZero11To138, s.blTree);
      SendBits(s.bits, static_cast<unsigned>(count - 11), 7);
    }
    count = 0;
    prevLength = currentLength;
    NextRunLimits(currentLength, nextLength, maxCount, minCount);
  }
}

// Builds the code-length tree and returns the index, in the RFC's order, of
// the last code length to send (at least 3, as four are always sent). The
// dynamic size then includes the whole tree header.
int BuildBlTree(DeflateState& s) {
  ScanTree(s, s.dynLTree, s.lDesc.maxCode);
  ScanTree(s, s.dynDTree, s.dDesc.maxCode);
  BuildTree(s, s.blDesc);

  int maxBlIndex;
  for (maxBlIndex = kBLCodes - 1; maxBlIndex >= 3; maxBlIndex--) {
    if (s.blTree[kCodeLengthOrder[maxBlIndex]].dadOrLen != 0) break;
  }
  // 3 bits per code-length length, and HLIT, HDIST, HCLEN (RFC 1951 3.2.7).
  s.optLen += 3 * (maxBlIndex + 1) + 5 + 5 + 4;
  return maxBlIndex;
}

void SendAllTrees(DeflateState& s, int lcodes, int dcodes, int blcodes) {
  if (lcodes < 257 || dcodes < 1 || blcodes < 4) s.error = kNotEnoughCodes;
  if (lcodes > kLCodes || dcodes > kDCodes || blcodes > kBLCodes) s.error = kTooManyCodes;
  SendBits(s.bits, static_cast<unsigned>(lcodes - 257), 5);
  SendBits(s.bits, static_cast<unsigned>(dcodes - 1), 5);
  SendBits(s.bits, static_cast<unsigned>(blcodes - 4), 4);
  for (int rank = 0; rank < blcodes; rank++) {
    SendBits(s.bits, s.blTree[kCodeLengthOrder[rank]].dadOrLen, 3);
  }
  SendTree(s, s.dynLTree, lcodes - 1);
  SendTree(s, s.dynDTree, dcodes - 1);
}

// The block's symbols and its end-of-block code.
void CompressBlock(DeflateState& s, const TreeNode* ltree, const TreeNode* dtree) {
  unsigned lx = 0;
  unsigned dx = 0;
  unsigned fx = 0;
  unsigned flag = 0;
  if (s.lastLit != 0) {
    do {
      if ((lx & 7) == 0) flag = s.flagBuf[fx++];
      unsigned lc = s.lBuf[lx++];
      if ((flag & 1) == 0) {
        SendCode(s, static_cast<int>(lc), ltree);
      } else {
        unsigned code = s.lengthCode[lc];
        SendCode(s, static_cast<int>(code) + kLiterals + 1, ltree);
        int extra = kExtraLengthBits[code];
        if (extra != 0) SendBits(s.bits, lc - static_cast<unsigned>(s.baseLength[code]), extra);

        unsigned dist = s.dBuf[dx++];
        code = DistanceCode(s, dist);
        if (code >= kDCodes) {
          s.error = kBadDistanceCode;
          code = kDCodes - 1;
        }
        SendCode(s, static_cast<int>(code), dtree);
        extra = kExtraDistanceBits[code];
        if (extra != 0) SendBits(s.bits, dist - static_cast<unsigned>(s.baseDist[code]), extra);
      }
      flag >>= 1;
    } while (lx < s.lastLit);
  }
  SendCode(s, kEndBlock, ltree);
}

}  // namespace

std::uint64_t FlushBlock(DeflateState& s, const std::uint8_t* block, std::uint32_t storedLength,
                         bool last) {
  const unsigned lastBit = last ? 1 : 0;
  s.flagBuf[s.lastFlags] = s.flags;  // the flags of the last, partial group of 8

  BuildTree(s, s.lDesc);
  BuildTree(s, s.dDesc);
  const int maxBlIndex = BuildBlTree(s);

  // Sizes in bytes with the 3-bit block header, rounded up.
  std::int64_t optLenBytes = (s.optLen + 3 + 7) >> 3;
  const std::int64_t staticLenBytes = (s.staticLen + 3 + 7) >> 3;
  s.inputLen += storedLength;
  if (staticLenBytes <= optLenBytes) optLenBytes = staticLenBytes;

  if (block != nullptr && std::int64_t{storedLength} + 4 <= optLenBytes) {
    // 4: LEN and NLEN.
    SendBits(s.bits, (kStoredBlock << 1) + lastBit, 3);
    s.cmprBytelen += ((s.cmprLenBits + 3 + 7) >> 3) + storedLength + 4;
    s.cmprLenBits = 0;
    SendStoredBytes(s.bits, block, storedLength);
  } else if (staticLenBytes == optLenBytes) {
    SendBits(s.bits, (kFixedBlock << 1) + lastBit, 3);
    CompressBlock(s, s.fixedLTree, s.fixedDTree);
    s.cmprLenBits += 3 + static_cast<std::uint64_t>(s.staticLen);
    s.cmprBytelen += s.cmprLenBits >> 3;
    s.cmprLenBits &= 7;
  } else {
    SendBits(s.bits, (kDynamicBlock << 1) + lastBit, 3);
    SendAllTrees(s, s.lDesc.maxCode + 1, s.dDesc.maxCode + 1, maxBlIndex + 1);
    CompressBlock(s, s.dynLTree, s.dynDTree);
    s.cmprLenBits += 3 + static_cast<std::uint64_t>(s.optLen);
    s.cmprBytelen += s.cmprLenBits >> 3;
    s.cmprLenBits &= 7;
  }
  if ((s.cmprBytelen << 3) + s.cmprLenBits != s.bits.bitsSent) s.error = kBadCompressedSize;
  InitBlock(s);

  if (last) {
    AlignToByte(s.bits);
    s.cmprLenBits += 7;  // the alignment
  }
  return s.cmprBytelen + (s.cmprLenBits >> 3);
}

}  // namespace norda::zip::deflate
