// The compressor's working state for one entry, and the steps that share it:
// the matcher (deflate_match.cpp), the Huffman trees (deflate_trees.cpp) and
// the block writer (deflate_block.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/zip/deflate.h"
#include "core/zip/deflate_bit_writer.h"
#include "core/zip/deflate_tables.h"

namespace norda::zip::deflate {

// Matching limits. The window is two halves of 32 KiB, the farthest distance
// RFC 1951 3.2 allows; a match is 3 to 258 bytes long (RFC 1951 3.2.5).
constexpr int MIN_MATCH = 3;
constexpr unsigned kMaxMatch = 258;
constexpr unsigned kWindowHalf = 32768;
constexpr unsigned kWindowMask = kWindowHalf - 1;
constexpr unsigned kWindowSize = 2 * kWindowHalf;
// Bytes kept ahead of the current position: a longest match and the string
// after it can always be seen.
constexpr unsigned kMinLookahead = kMaxMatch + MIN_MATCH + 1;  // 262
// Candidates farther back than this may leave the window before the match is used.
constexpr unsigned kMaxDistance = kWindowHalf - kMinLookahead;  // 32506
// The window slides once the current position gets here.
constexpr unsigned kSlideAt = kWindowHalf + kMaxDistance;  // 65274
// A three-byte match farther back than this costs more than three literals.
constexpr unsigned kTooFar = 4096;

// Strings of three bytes are hashed into 15 bits: each byte shifts the hash by
// 5, so the oldest byte has left it after three.
constexpr unsigned kHashSize = 1u << 15;
constexpr unsigned kHashMask = kHashSize - 1;
constexpr unsigned kHashShift = 5;

inline std::uint32_t UPDATE_HASH(std::uint32_t hash, std::uint8_t byte) {
  return ((hash << kHashShift) ^ byte) & kHashMask;
}

// Symbols of one block: a block ends at 32767 symbols or 32768 distances.
constexpr unsigned kLitBufSize = 0x8000;
constexpr unsigned kDistBufSize = 0x8000;

// Nodes of the largest tree: 286 leaves and their inner nodes.
constexpr int kHeapSize = 2 * kLCodes + 1;  // 573

// The matcher's tuning for one level.
struct ConfigRow {
  std::uint16_t goodLength;  // a match this long quarters the chain search
  std::uint16_t lazyLength;  // lazy matcher: no search after a match this long;
                             // fast matcher: longest match whose strings are inserted
  std::uint16_t niceLength;  // a match this long ends the search
  std::uint16_t chainLimit;  // candidates tried per search
};

constexpr int kMinLevel = 1;
constexpr int kMaxLevel = 8;
constexpr int kLastFastLevel = 3;  // levels 1 to 3 use the fast matcher, 4 to 8 the lazy one

// Rows for levels 1 to 8.
inline constexpr ConfigRow kConfigTable[kMaxLevel] = {
    {4, 4, 8, 4},    {4, 5, 16, 8},     {4, 6, 32, 32},     {4, 4, 16, 16},
    {8, 16, 32, 32}, {8, 16, 128, 128}, {8, 32, 128, 256},  {32, 128, 258, 1024},
};
constexpr unsigned kLongestChain = 1024;  // the largest chain limit above

// General purpose flag bits for method 8 (ZIP APPNOTE 4.4.4).
constexpr std::uint16_t kMaximumCompressionFlag = 0x0002;
constexpr std::uint16_t kFastCompressionFlag = 0x0004;

// The error slot's texts.
inline constexpr char kBadPackLevel[] = "bad pack level";
inline constexpr char kLengthTableBroken[] = "ct_init: length != 256";
inline constexpr char kDistTableBroken[] = "ct_init: dist != 256";
inline constexpr char kFarDistTableBroken[] = "ct_init: 256+dist != 512";
inline constexpr char kBadMatch[] = "ct_tally: bad match";
inline constexpr char kInsufficientLookahead[] = "insufficient lookahead";
inline constexpr char kNoFuture[] = "no future";
inline constexpr char kWildScan[] = "wild scan";
inline constexpr char kMoreBelowTwo[] = "more < 2";
inline constexpr char kInconsistentBitCounts[] = "inconsistent bit counts";
inline constexpr char kNotEnoughCodes[] = "not enough codes";
inline constexpr char kTooManyCodes[] = "too many codes";
inline constexpr char kBadRepeatCount[] = " 3_6?";
inline constexpr char kBadDistanceCode[] = "bad d_code";
inline constexpr char kBadCompressedSize[] = "bad compressed size";
inline constexpr char kNoOutputBuffer[] = "no output buffer";
inline constexpr char kNoMemory[] = "no memory for the compressor";

// One node of a Huffman tree. A leaf holds its frequency until its code is
// made; a node holds its parent until its length is known.
struct TreeNode {
  std::uint16_t freqOrCode;
  std::uint16_t dadOrLen;
};

struct TreeDesc {
  TreeNode* tree;
  const TreeNode* fixedTree;        // or null (the code-length tree has none)
  const std::uint8_t* extraBits;
  int firstExtra;                   // first symbol that has extra bits
  int elems;                        // symbols of the alphabet
  int maxLength;                    // longest code allowed
  int maxCode;                      // largest symbol in use
};

// A piece of a hash chain as searches of one hash value walked it, newest
// candidate first (see deflate_search.cpp). The candidates themselves are
// kept apart (DeflateState::chainMemoCandidates), so that looking a memo up
// touches only this small table. Positions fit in 16 bits.
constexpr unsigned kChainMemoBits = 7;
constexpr unsigned kChainMemos = 1u << kChainMemoBits;
constexpr unsigned kWorthRemembering = 32;  // shorter walks are cheap to walk again
// The memo slot of a hash value. All 15 bits are mixed in: the low bits
// alone put every UTF-16 letter's hash into one of four slots.
inline unsigned ChainMemoSlot(std::uint32_t hash) { return (hash * 0x9E3779B1u) >> (32 - kChainMemoBits); }
struct ChainMemo {
  std::uint32_t key;         // hash value + 1; 0: empty
  std::uint16_t count;
  bool complete;             // the chain runs out of reach after the last candidate
  bool longWalks;            // the last walk of a hash of this memo's was long
};

struct DeflateState {
  // Settings.
  int level;
  DeflateStreams* streams;
  const char* error;

  // The window: two halves, and slack so that no read near its end leaves the array.
  std::uint8_t window[kWindowSize + 8];
  std::uint32_t windowSize;
  bool sliding;

  // Hash chains: head of each hash value, previous string of each window position.
  std::uint32_t head[kHashSize];
  std::uint32_t prev[kWindowHalf];
  std::uint32_t insHash;

  std::uint32_t strstart;    // current position
  std::int32_t blockStart;   // start of the current block; negative once it left the window
  std::uint32_t lookahead;   // valid bytes from the current position on
  std::uint32_t matchStart;
  std::uint32_t prevLength;
  bool endOfInput;

  ChainMemo chainMemos[kChainMemos];
  std::uint16_t chainMemoCandidates[kChainMemos][kLongestChain];

  std::uint32_t goodMatch;
  std::uint32_t maxLazyMatch;
  std::uint32_t niceMatch;
  std::uint32_t maxChainLength;

  // Trees.
  TreeNode dynLTree[kHeapSize];
  TreeNode dynDTree[2 * kDCodes + 1];
  TreeNode blTree[2 * kBLCodes + 1];
  TreeNode fixedLTree[kFixedLCodes];
  TreeNode fixedDTree[kDCodes];
  TreeDesc lDesc;
  TreeDesc dDesc;
  TreeDesc blDesc;
  std::uint16_t blCount[kMaxBits + 1];
  int heap[kHeapSize];
  int heapLen;
  int heapMax;
  std::uint8_t depth[kHeapSize];

  // Lookup tables made by ct_init.
  std::uint8_t lengthCode[256];     // match length - 3 -> length code
  std::uint8_t distCode[512];       // distance - 1 -> distance code (see DistanceCode)
  int baseLength[kLengthCodes];
  int baseDist[kDCodes];

  // Symbols of the current block.
  std::uint8_t lBuf[kLitBufSize];   // literal, or match length - 3
  std::uint16_t dBuf[kDistBufSize]; // match distance - 1
  std::uint8_t flagBuf[kLitBufSize / 8];  // one bit per symbol, set for a match
  unsigned lastLit;
  unsigned lastDist;
  unsigned lastFlags;
  std::uint8_t flags;
  std::uint8_t flagBit;

  // Sizes in bits.
  std::int64_t optLen;     // the block with dynamic codes
  std::int64_t staticLen;  // the block with fixed codes
  std::uint64_t cmprBytelen;
  std::uint64_t cmprLenBits;
  std::uint64_t inputLen;

  BitWriter bits;
};

// Distance code of a distance - 1 (RFC 1951 3.2.5): direct below 256, by
// groups of 128 above.
inline unsigned DistanceCode(const DeflateState& s, unsigned dist) {
  return dist < 256 ? s.distCode[dist] : s.distCode[256 + ((dist >> 7) & 0xFF)];
}

// deflate_trees.cpp
void ct_init(DeflateState& s);
void InitBlock(DeflateState& s);
void BuildTree(DeflateState& s, TreeDesc& desc);

// deflate_block.cpp: writes the current block; returns the compressed
// length so far in bytes. block is null when its bytes have left the window.
std::uint64_t FlushBlock(DeflateState& s, const std::uint8_t* block, std::uint32_t storedLength,
                         bool last);

// deflate_search.cpp: the longest match for the current position among the
// candidates on the chain from curMatch, longer than prevLength (else
// prevLength comes back); sets matchStart to the match found.
// walked, if given, receives the number of candidates tried.
unsigned LongestMatch(DeflateState& s, std::uint32_t curMatch, unsigned* walked = nullptr);
// The same for the lazy matcher, where hash is the hash of the current
// string: the chain is walked with the help of the chain memos.
unsigned LongestMatchRemembering(DeflateState& s, std::uint32_t curMatch, std::uint32_t hash);

// deflate_match.cpp
void StartMatcher(DeflateState& s, int level, std::uint16_t& generalPurposeFlags);
std::uint64_t DeflateFast(DeflateState& s);
std::uint64_t DeflateLazy(DeflateState& s);

// deflate.cpp: one entry through a state made by the caller (all zero).
// flushOnAlign false keeps the output in the buffer until it is full (stored
// blocks are then copied into it).
DeflateResult RunDeflate(DeflateState& s, int level, std::uint16_t& generalPurposeFlags,
                         DeflateStreams& streams, std::uint8_t* outputBuffer,
                         std::size_t outputBufferSize, bool flushOnAlign);

}  // namespace norda::zip::deflate
