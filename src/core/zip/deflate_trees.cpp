// Huffman trees of a block: lookup tables and fixed codes (ct_init), and the
// dynamic codes built from the block's symbol frequencies.
//
// A tree is built with a min-heap of nodes ordered by frequency, ties broken
// by depth, so that equal frequencies give flat trees. Lengths beyond the
// tree's limit are repaired by moving leaves (the count per length stays a
// complete code) and then handing the lengths out again, longest first, to
// the least frequent leaves.
#include "core/zip/deflate_state.h"

namespace norda::zip::deflate {
namespace {

unsigned ReverseBits(unsigned code, int length) {
  unsigned result = 0;
  do {
    result |= code & 1;
    code >>= 1;
    result <<= 1;
  } while (--length > 0);
  return result >> 1;
}

// Canonical codes (RFC 1951 3.2.2) for the lengths in tree[0..maxCode],
// stored bit-reversed as they are sent first bit first. blCount holds the
// number of codes of each length.
void GenCodes(DeflateState& s, TreeNode* tree, int maxCode) {
  std::uint16_t nextCode[kMaxBits + 1];
  unsigned code = 0;
  for (int bits = 1; bits <= kMaxBits; bits++) {
    code = ((code + s.blCount[bits - 1]) << 1) & 0xFFFFu;
    nextCode[bits] = static_cast<std::uint16_t>(code);
  }
  if (code + s.blCount[kMaxBits] - 1 != (1u << kMaxBits) - 1) s.error = kInconsistentBitCounts;
  for (int n = 0; n <= maxCode; n++) {
    const int length = tree[n].dadOrLen;
    if (length == 0) continue;
    tree[n].freqOrCode = static_cast<std::uint16_t>(ReverseBits(nextCode[length]++, length));
  }
}

// Node n sorts before node m: lower frequency, or equal and not deeper.
inline bool Smaller(const DeflateState& s, const TreeNode* tree, int n, int m) {
  return tree[n].freqOrCode < tree[m].freqOrCode ||
         (tree[n].freqOrCode == tree[m].freqOrCode && s.depth[n] <= s.depth[m]);
}

// Sifts heap[k] down to its place; heap[1] is the root, the children of
// heap[k] are heap[2k] and heap[2k + 1].
void SiftDown(DeflateState& s, const TreeNode* tree, int k) {
  const int v = s.heap[k];
  int j = k << 1;
  while (j <= s.heapLen) {
    if (j < s.heapLen && Smaller(s, tree, s.heap[j + 1], s.heap[j])) j++;
    if (Smaller(s, tree, v, s.heap[j])) break;
    s.heap[k] = s.heap[j];
    k = j;
    j <<= 1;
  }
  s.heap[k] = v;
}

// Lengths from the parent links, the block's sizes with these lengths and
// with the fixed ones, and the repair of lengths beyond desc.maxLength.
// heap[heapMax..] holds the nodes in the order they left the heap, root first.
void GenBitLengths(DeflateState& s, TreeDesc& desc) {
  TreeNode* tree = desc.tree;
  const int maxCode = desc.maxCode;
  const int maxLength = desc.maxLength;
  int overflow = 0;

  for (int bits = 0; bits <= kMaxBits; bits++) s.blCount[bits] = 0;

  tree[s.heap[s.heapMax]].dadOrLen = 0;  // the root
  int h;
  for (h = s.heapMax + 1; h < kHeapSize; h++) {
    const int n = s.heap[h];
    int bits = tree[tree[n].dadOrLen].dadOrLen + 1;
    if (bits > maxLength) {
      bits = maxLength;
      overflow++;
    }
    tree[n].dadOrLen = static_cast<std::uint16_t>(bits);
    if (n > maxCode) continue;  // an inner node

    s.blCount[bits]++;
    const int extra = n >= desc.firstExtra ? desc.extraBits[n - desc.firstExtra] : 0;
    const std::int64_t freq = tree[n].freqOrCode;
    s.optLen += freq * (bits + extra);
    if (desc.fixedTree) s.staticLen += freq * (desc.fixedTree[n].dadOrLen + extra);
  }
  if (overflow == 0) return;

  // Move a leaf from the deepest length below the limit one level down and
  // an overflowed leaf up beside it, until the counts form a complete code.
  do {
    int bits = maxLength - 1;
    while (s.blCount[bits] == 0) bits--;
    s.blCount[bits]--;
    s.blCount[bits + 1] += 2;
    s.blCount[maxLength]--;
    overflow -= 2;
  } while (overflow > 0);

  // Hand the lengths out again, longest first, least frequent leaf first.
  for (int bits = maxLength; bits != 0; bits--) {
    int count = s.blCount[bits];
    while (count != 0) {
      const int m = s.heap[--h];
      if (m > maxCode) continue;
      if (tree[m].dadOrLen != bits) {
        s.optLen += (static_cast<std::int64_t>(bits) - tree[m].dadOrLen) * tree[m].freqOrCode;
        tree[m].dadOrLen = static_cast<std::uint16_t>(bits);
      }
      count--;
    }
  }
}

}  // namespace

void InitBlock(DeflateState& s) {
  for (int n = 0; n < kLCodes; n++) s.dynLTree[n].freqOrCode = 0;
  for (int n = 0; n < kDCodes; n++) s.dynDTree[n].freqOrCode = 0;
  for (int n = 0; n < kBLCodes; n++) s.blTree[n].freqOrCode = 0;
  s.dynLTree[kEndBlock].freqOrCode = 1;
  s.optLen = 0;
  s.staticLen = 0;
  s.lastLit = 0;
  s.lastDist = 0;
  s.lastFlags = 0;
  s.flags = 0;
  s.flagBit = 1;
}

void ct_init(DeflateState& s) {
  s.lDesc = {s.dynLTree, s.fixedLTree, kExtraLengthBits, kLiterals + 1, kLCodes, kMaxBits, 0};
  s.dDesc = {s.dynDTree, s.fixedDTree, kExtraDistanceBits, 0, kDCodes, kMaxBits, 0};
  s.blDesc = {s.blTree, nullptr, kExtraCodeLengthBits, 0, kBLCodes, kMaxBLBits, 0};
  s.cmprBytelen = 0;
  s.cmprLenBits = 0;
  s.inputLen = 0;

  // Match length - 3 (0..255) to length code (RFC 1951 3.2.5).
  int length = 0;
  int code;
  for (code = 0; code < kLengthCodes - 1; code++) {
    s.baseLength[code] = length;
    for (int n = 0; n < (1 << kExtraLengthBits[code]); n++) {
      if (length < 256) s.lengthCode[length] = static_cast<std::uint8_t>(code);
      length++;
    }
  }
  if (length != 256) s.error = kLengthTableBroken;
  // Length 258 could be code 284 with all extra bits set; code 285 is shorter.
  s.lengthCode[255] = static_cast<std::uint8_t>(code);
  s.baseLength[code] = static_cast<int>(kMaxMatch) - MIN_MATCH;

  // Distance - 1 to distance code: one entry per distance below 256, then one
  // per 128 distances.
  int dist = 0;
  for (code = 0; code < 16; code++) {
    s.baseDist[code] = dist;
    for (int n = 0; n < (1 << kExtraDistanceBits[code]); n++) {
      if (dist < 256) s.distCode[dist] = static_cast<std::uint8_t>(code);
      dist++;
    }
  }
  if (dist != 256) s.error = kDistTableBroken;
  dist >>= 7;
  for (; code < kDCodes; code++) {
    s.baseDist[code] = dist << 7;
    for (int n = 0; n < (1 << (kExtraDistanceBits[code] - 7)); n++) {
      if (dist < 256) s.distCode[256 + dist] = static_cast<std::uint8_t>(code);
      dist++;
    }
  }
  if (dist != 256) s.error = kFarDistTableBroken;

  // The fixed codes (RFC 1951 3.2.6).
  for (int bits = 0; bits <= kMaxBits; bits++) s.blCount[bits] = 0;
  for (int n = 0; n < kFixedLCodes; n++) {
    const int bits = FixedLiteralLengthBits(n);
    s.fixedLTree[n].dadOrLen = static_cast<std::uint16_t>(bits);
    s.blCount[bits]++;
  }
  GenCodes(s, s.fixedLTree, kFixedLCodes - 1);
  for (int n = 0; n < kDCodes; n++) {
    s.fixedDTree[n].dadOrLen = kFixedDistanceBits;
    s.fixedDTree[n].freqOrCode = static_cast<std::uint16_t>(ReverseBits(n, kFixedDistanceBits));
  }

  InitBlock(s);
}

void BuildTree(DeflateState& s, TreeDesc& desc) {
  TreeNode* tree = desc.tree;
  const TreeNode* fixedTree = desc.fixedTree;
  const int elems = desc.elems;
  int maxCode = -1;
  int node = elems;  // next inner node

  s.heapLen = 0;
  s.heapMax = kHeapSize;
  for (int n = 0; n < elems; n++) {
    if (tree[n].freqOrCode != 0) {
      s.heap[++s.heapLen] = maxCode = n;
      s.depth[n] = 0;
    } else {
      tree[n].dadOrLen = 0;
    }
  }

  // A code needs two symbols at least (a single code of one bit, and one
  // distance code in every block): add symbols of frequency 1. They are never
  // sent, so their bits come off the sizes again.
  while (s.heapLen < 2) {
    const int added = s.heap[++s.heapLen] = (maxCode < 2 ? ++maxCode : 0);
    tree[added].freqOrCode = 1;
    s.depth[added] = 0;
    s.optLen--;
    if (fixedTree) s.staticLen -= fixedTree[added].dadOrLen;
  }
  desc.maxCode = maxCode;

  for (int n = s.heapLen / 2; n >= 1; n--) SiftDown(s, tree, n);

  // Join the two least frequent nodes until one is left; heap[heapMax..]
  // keeps the nodes in the order they leave.
  do {
    const int n = s.heap[1];
    s.heap[1] = s.heap[s.heapLen--];
    SiftDown(s, tree, 1);
    const int m = s.heap[1];

    s.heap[--s.heapMax] = n;
    s.heap[--s.heapMax] = m;

    tree[node].freqOrCode = static_cast<std::uint16_t>(tree[n].freqOrCode + tree[m].freqOrCode);
    s.depth[node] = static_cast<std::uint8_t>((s.depth[n] >= s.depth[m] ? s.depth[n] : s.depth[m]) + 1);
    tree[n].dadOrLen = tree[m].dadOrLen = static_cast<std::uint16_t>(node);

    s.heap[1] = node++;
    SiftDown(s, tree, 1);
  } while (s.heapLen >= 2);

  s.heap[--s.heapMax] = s.heap[1];

  GenBitLengths(s, desc);
  GenCodes(s, tree, maxCode);
}

}  // namespace norda::zip::deflate
