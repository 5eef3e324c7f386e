// The longest-match search along a hash chain.
//
// Candidates are tried from the newest on. One can only beat the best match
// so far if it agrees with the current string at the best length, so the two
// bytes there are compared first; a full comparison then runs a register's
// width at a time. The search stops after the chain limit (a quarter of it once the
// previous match is good), at a candidate out of reach, or at a match of the
// nice length.
//
// Walking a chain is a series of loads, each waiting for the one before, and
// long chains are walked again and again: data full of the same three bytes
// (zero runs in records, the high bytes of pointers, UTF-16 text) searches
// the same chain at many nearby positions. So the lazy matcher keeps, for up
// to 128 hash values, the chain as its last long walk found it (a chain
// memo). A later search of the same hash walks only the candidates inserted
// since, meets the memo's first candidate, and tries the memo's candidates
// from the array. This is exact: a candidate's link never changes while the
// candidate is within reach (its slot is next written by the position 32768
// further on), so the memo is the chain. The candidates tried, their order
// and the match found are those of a plain walk.
#include <cstring>
#include <type_traits>

#include "core/zip/deflate_state.h"

namespace norda::zip::deflate {
namespace {

inline std::uint16_t Load16(const std::uint8_t* p) {
  std::uint16_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// The comparison's step: a register's width, so that the 32-bit build
// compares four bytes a step instead of emulating eight.
using Word = std::conditional_t<sizeof(void*) >= 8, std::uint64_t, std::uint32_t>;

inline Word LoadWord(const std::uint8_t* p) {
  Word v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// The index of the first differing byte of two word loads whose XOR is
// difference (not 0): the lowest differing byte in memory order.
inline unsigned FirstDifferentByte(Word difference) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  const int bits = sizeof difference == 8 ? __builtin_clzll(difference) : __builtin_clz(difference);
#else
  const int bits = sizeof difference == 8 ? __builtin_ctzll(difference) : __builtin_ctz(difference);
#endif
  return static_cast<unsigned>(bits) >> 3;
}

// How far scan and match agree, given that their first three bytes do (the
// first two are compared by the caller, the third follows from equal hashes):
// the offset of the first difference from offset 3 on, at most 258. A word
// a step; the last step reads up to offset 258, as the window's slack allows.
inline unsigned MatchLength(const std::uint8_t* scan, const std::uint8_t* match) {
  for (unsigned i = MIN_MATCH;; i += sizeof(Word)) {
    const Word difference = LoadWord(scan + i) ^ LoadWord(match + i);
    if (difference != 0) {
      const unsigned length = i + FirstDifferentByte(difference);
      return length < kMaxMatch ? length : kMaxMatch;
    }
    if (i + sizeof(Word) >= kMaxMatch) return kMaxMatch;
  }
}

// One search: the current string and the best match found for it so far.
class Search {
 public:
  explicit Search(DeflateState& s)
      : s_(s),
        window_(s.window),
        strstart_(s.strstart),
        scan_(s.window + s.strstart),
        bestLength_(s.prevLength),
        niceMatch_(s.niceMatch),
        matchStart_(s.matchStart),
        scanStart_(Load16(scan_)),
        scanEnd_(Load16(scan_ + bestLength_ - 1)) {
    chainLength = s.maxChainLength;
    if (s.prevLength >= s.goodMatch) chainLength >>= 2;
    limit = strstart_ > kMaxDistance ? strstart_ - kMaxDistance : 0;
    if (strstart_ > s.windowSize - kMinLookahead) s.error = kInsufficientLookahead;
  }

  // Tries one candidate; true when the match is long enough to stop.
  bool Try(std::uint32_t candidate) {
    if (candidate >= strstart_) s_.error = kNoFuture;
    return TryPast(candidate);
  }

  // Try for a candidate known to lie before the current position.
  bool TryPast(std::uint32_t candidate) {
    const std::uint8_t* match = window_ + candidate;
    // Both checks in one branch: which candidates fail which check is hard
    // to predict (hash collisions), whether one fails hardly ever is.
    const unsigned differences = static_cast<unsigned>(Load16(match + bestLength_ - 1) ^ scanEnd_) |
                                 static_cast<unsigned>(Load16(match) ^ scanStart_);
    if (differences != 0) return false;
    const unsigned length = MatchLength(scan_, match);
    if (strstart_ + length > s_.windowSize - 1) s_.error = kWildScan;
    if (length <= bestLength_) return false;
    matchStart_ = candidate;
    bestLength_ = length;
    if (length >= niceMatch_) return true;
    scanEnd_ = Load16(scan_ + bestLength_ - 1);
    return false;
  }

  unsigned Finish() {
    s_.matchStart = matchStart_;
    return bestLength_;
  }

  unsigned chainLength;  // candidates to try at most
  std::uint32_t limit;   // candidates at or below this are out of reach (after the first)

 private:
  DeflateState& s_;
  const std::uint8_t* const window_;
  const std::uint32_t strstart_;
  const std::uint8_t* const scan_;
  unsigned bestLength_;
  const unsigned niceMatch_;
  std::uint32_t matchStart_;
  const std::uint16_t scanStart_;
  std::uint16_t scanEnd_;
};

}  // namespace

unsigned LongestMatch(DeflateState& s, std::uint32_t curMatch, unsigned* walked) {
  Search search(s);
  const std::uint32_t* const prev = s.prev;
  unsigned chainLength = search.chainLength;
  do {
    // The next link is loaded before this candidate is tried, so that a
    // mispredicted comparison does not hold up the walk.
    const std::uint32_t next = prev[curMatch & kWindowMask];
    if (search.Try(curMatch)) break;
    curMatch = next;
  } while (curMatch > search.limit && --chainLength != 0);
  if (walked) *walked = search.chainLength - chainLength + 1;
  return search.Finish();
}

unsigned LongestMatchRemembering(DeflateState& s, std::uint32_t curMatch, std::uint32_t hash) {
  Search search(s);
  const std::uint32_t* const prev = s.prev;
  const unsigned chainLength = search.chainLength;
  const std::uint32_t limit = search.limit;
  ChainMemo& memo = s.chainMemos[ChainMemoSlot(hash)];
  std::uint16_t* const memoCandidates = s.chainMemoCandidates[ChainMemoSlot(hash)];
  const bool hasMemo = memo.key == hash + 1 && memo.count != 0;
  const std::uint32_t memoHead = hasMemo ? memoCandidates[0] : 0;

  // The candidates newer than the memo's first one (all of them when this
  // hash has no memo), walked and kept.
  std::uint16_t newer[kLongestChain];
  unsigned tried = 0;
  bool outOfReach = false;
  bool reachedMemo = false;
  std::uint32_t candidate = curMatch;
  for (;;) {
    if (tried > 0 && candidate <= limit) {
      outOfReach = true;
      break;
    }
    if (tried == chainLength) break;
    if (hasMemo && candidate == memoHead) {
      reachedMemo = true;
      break;
    }
    newer[tried++] = static_cast<std::uint16_t>(candidate);
    const std::uint32_t next = prev[candidate & kWindowMask];
    if (search.Try(candidate)) break;
    candidate = next;
  }

  if (!reachedMemo) {
    // The walk is all there is. A long one becomes this hash's memo; a short
    // one is cheap to walk again and leaves the memo of another hash alone.
    if (tried < kWorthRemembering) {
      memo.longWalks = false;
      return search.Finish();
    }
    memo.key = hash + 1;
    memo.count = static_cast<std::uint16_t>(tried);
    memo.complete = outOfReach;
    std::memcpy(memoCandidates, newer, tried * sizeof newer[0]);
    return search.Finish();
  }

  // The memo goes on from here. The newer candidates go in front of it, so
  // that it stays one piece of the chain; then its own are tried.
  const unsigned added = tried;
  unsigned kept = memo.count;
  if (added + kept > kLongestChain) {
    kept = kLongestChain - added;
    memo.complete = false;
  }
  std::memmove(memoCandidates + added, memoCandidates, kept * sizeof memoCandidates[0]);
  std::memcpy(memoCandidates, newer, added * sizeof newer[0]);
  memo.count = static_cast<std::uint16_t>(added + kept);
  // The memo's candidates fall from the newest on: those the chain limit
  // leaves are tried up to the first out of reach (found by bisection; the
  // first candidate of a search is tried wherever it is). Only the newest
  // can be a future one.
  unsigned end = memo.count < chainLength ? memo.count : chainLength;
  for (unsigned low = added > 0 ? added : 1; low < end;) {
    const unsigned middle = low + (end - low) / 2;
    if (memoCandidates[middle] <= limit) {
      end = middle;
    } else {
      low = middle + 1;
    }
  }
  if (added < end && memoCandidates[added] >= s.strstart) s.error = kNoFuture;
  for (unsigned i = added; i < end; i++) {
    if (search.TryPast(memoCandidates[i])) return search.Finish();
  }
  tried = end;
  if (end < memo.count || memo.complete) return search.Finish();

  // All of the memo was tried and the chain goes on: walk on, and extend the
  // memo (it has room: it holds no more candidates than were tried, and
  // fewer were tried than the chain limit).
  candidate = prev[memoCandidates[memo.count - 1] & kWindowMask];
  for (;;) {
    if (candidate <= limit) {
      memo.complete = true;
      break;
    }
    if (tried == chainLength) break;
    memoCandidates[memo.count++] = static_cast<std::uint16_t>(candidate);
    const std::uint32_t next = prev[candidate & kWindowMask];
    tried++;
    if (search.Try(candidate)) break;
    candidate = next;
  }
  return search.Finish();
}

}  // namespace norda::zip::deflate
