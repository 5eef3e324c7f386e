// The matcher: finds repeated strings in a sliding window of 64 KiB and hands
// literals and matches to ct_tally.
//
// Every position's three-byte string goes into a hash chain (head: the last
// position with that hash; prev: the position before it). A search walks the
// chain from the newest candidate and gives up after the level's chain limit
// (deflate_search.cpp). The lazy matcher (levels 4 to 8) holds each match
// back one position and takes the next position's match instead when that is
// longer. The fast matcher (levels 1 to 3) takes every match at once and, for
// long matches, does not even insert the strings it covers.
//
// Positions are window offsets; 0 means "no candidate", so the string at
// offset 0 is never matched. When the current position reaches 65274 the
// upper half moves down and every position in the tables drops by 32768.
#include <cstring>

#include "core/zip/deflate_state.h"
#include "core/zip/deflate_tally.h"

namespace norda::zip::deflate {
namespace {

inline std::uint32_t InsertString(DeflateState& s, std::uint32_t position) {
  s.insHash = UPDATE_HASH(s.insHash, s.window[position + MIN_MATCH - 1]);
  const std::uint32_t candidate = s.head[s.insHash];
  s.prev[position & kWindowMask] = candidate;
  s.head[s.insHash] = position;
  return candidate;
}

// Moves the upper half of the window down and the positions with it.
void Slide(DeflateState& s) {
  std::memcpy(s.window, s.window + kWindowHalf, kWindowHalf);
  s.matchStart -= kWindowHalf;
  s.strstart -= kWindowHalf;
  s.blockStart -= static_cast<std::int32_t>(kWindowHalf);
  for (ChainMemo& memo : s.chainMemos) memo.key = 0;  // their positions are stale now
  for (std::uint32_t& v : s.head) v = v >= kWindowHalf ? v - kWindowHalf : 0;
  for (std::uint32_t& v : s.prev) v = v >= kWindowHalf ? v - kWindowHalf : 0;
}

// Reads more input when the lookahead is short, sliding first when the
// current position has reached the upper end.
void FillWindow(DeflateState& s) {
  do {
    std::uint32_t more = s.windowSize - s.lookahead - s.strstart;
    if (s.sliding && s.strstart >= kSlideAt) {
      Slide(s);
      more += kWindowHalf;
    }
    if (s.endOfInput) return;
    if (more < 2) s.error = kMoreBelowTwo;

    std::size_t n = s.streams->Read(s.window + s.strstart + s.lookahead, more);
    if (n == 0 || n == kEndOfInput) {
      s.endOfInput = true;
    } else {
      if (n > more) n = more;  // a reader that overfills is cut to the room it was given
      s.lookahead += static_cast<std::uint32_t>(n);
    }
  } while (s.lookahead < kMinLookahead && !s.endOfInput);
}

std::uint64_t FlushBlockFromWindow(DeflateState& s, bool last) {
  const std::uint8_t* block = s.blockStart >= 0 ? s.window + s.blockStart : nullptr;
  const auto length = static_cast<std::uint32_t>(static_cast<std::int64_t>(s.strstart) - s.blockStart);
  return FlushBlock(s, block, length, last);
}

}  // namespace

void StartMatcher(DeflateState& s, int level, std::uint16_t& generalPurposeFlags) {
  s.windowSize = kWindowSize;
  s.sliding = true;
  if (level < kMinLevel || level > kMaxLevel) {
    s.error = kBadPackLevel;
    level = level < kMinLevel ? kMinLevel : kMaxLevel;
  } else if (level <= 2) {
    generalPurposeFlags |= kFastCompressionFlag;
  } else if (level == kMaxLevel) {
    generalPurposeFlags |= kMaximumCompressionFlag;
  }
  s.level = level;

  for (std::uint32_t& v : s.head) v = 0;
  const ConfigRow& row = kConfigTable[level - 1];
  s.goodMatch = row.goodLength;
  s.maxLazyMatch = row.lazyLength;
  s.niceMatch = row.niceLength;
  s.maxChainLength = row.chainLimit;

  s.strstart = 0;
  s.blockStart = 0;
  std::size_t n = s.streams->Read(s.window, kWindowSize);
  if (n == 0 || n == kEndOfInput) {
    s.endOfInput = true;
    s.lookahead = 0;
    return;
  }
  s.endOfInput = false;
  s.lookahead = static_cast<std::uint32_t>(n > kWindowSize ? kWindowSize : n);
  if (s.lookahead < kMinLookahead) FillWindow(s);

  s.insHash = s.window[0];
  s.insHash = UPDATE_HASH(s.insHash, s.window[1]);
}

std::uint64_t DeflateFast(DeflateState& s) {
  std::uint32_t hashHead = 0;
  unsigned matchLength = 0;
  s.prevLength = MIN_MATCH - 1;

  while (s.lookahead != 0) {
    if (s.lookahead >= MIN_MATCH) hashHead = InsertString(s, s.strstart);

    if (hashHead != 0 && s.strstart - hashHead <= kMaxDistance) {
      if (s.niceMatch > s.lookahead) s.niceMatch = s.lookahead;
      matchLength = LongestMatch(s, hashHead);
      if (matchLength > s.lookahead) matchLength = s.lookahead;
    }

    bool flush;
    if (matchLength >= MIN_MATCH) {
      flush = ct_tally(s, s.strstart - s.matchStart, matchLength - MIN_MATCH);
      s.lookahead -= matchLength;
      if (matchLength <= s.maxLazyMatch && s.lookahead >= MIN_MATCH) {
        matchLength--;  // the string at the current position is in already
        do {
          s.strstart++;
          InsertString(s, s.strstart);
        } while (--matchLength != 0);
        s.strstart++;
      } else {
        s.strstart += matchLength;
        matchLength = 0;
        s.insHash = s.window[s.strstart];
        s.insHash = UPDATE_HASH(s.insHash, s.window[s.strstart + 1]);
      }
    } else {
      flush = ct_tally(s, 0, s.window[s.strstart]);
      s.lookahead--;
      s.strstart++;
    }
    if (flush) {
      FlushBlockFromWindow(s, false);
      s.blockStart = static_cast<std::int32_t>(s.strstart);
    }
    if (s.lookahead < kMinLookahead) FillWindow(s);
  }
  return FlushBlockFromWindow(s, true);
}

std::uint64_t DeflateLazy(DeflateState& s) {
  std::uint32_t hashHead = 0;
  std::uint32_t prevMatch = 0;
  bool matchAvailable = false;
  unsigned matchLength = MIN_MATCH - 1;

  while (s.lookahead != 0) {
    if (s.lookahead >= MIN_MATCH) hashHead = InsertString(s, s.strstart);
    // The chain heads of the next two strings, and the first candidate of
    // the next one, fetched while this position is searched: on data with
    // few matches each of these loads would wait for the cache in turn.
    const std::uint32_t nextHash = UPDATE_HASH(s.insHash, s.window[s.strstart + MIN_MATCH]);
    __builtin_prefetch(&s.head[UPDATE_HASH(nextHash, s.window[s.strstart + MIN_MATCH + 1])]);
    const std::uint32_t nextHead = s.head[nextHash];
    __builtin_prefetch(&s.prev[nextHead & kWindowMask]);
    __builtin_prefetch(s.window + nextHead);

    s.prevLength = matchLength;
    prevMatch = s.matchStart;
    matchLength = MIN_MATCH - 1;

    if (hashHead != 0 && s.prevLength < s.maxLazyMatch && s.strstart - hashHead <= kMaxDistance) {
      if (s.niceMatch > s.lookahead) s.niceMatch = s.lookahead;
      ChainMemo& memo = s.chainMemos[ChainMemoSlot(s.insHash)];
      if (s.lookahead < kMinLookahead) {
        matchLength = LongestMatch(s, hashHead);
      } else if (memo.key == s.insHash + 1 || memo.longWalks) {
        matchLength = LongestMatchRemembering(s, hashHead, s.insHash);
      } else {
        // Short chains are walked plainly; a long walk makes the next search
        // of a hash of this memo's remember its chain.
        unsigned walked;
        matchLength = LongestMatch(s, hashHead, &walked);
        memo.longWalks = walked >= kWorthRemembering;
      }
      if (matchLength > s.lookahead) matchLength = s.lookahead;
      if (matchLength == MIN_MATCH && s.strstart - s.matchStart > kTooFar) matchLength = MIN_MATCH - 1;
    }

    if (s.prevLength >= MIN_MATCH && matchLength <= s.prevLength) {
      // The previous position's match wins: emit it and insert the strings it
      // covers, as long as their three bytes are all input.
      const std::uint32_t maxInsert = s.strstart + s.lookahead - MIN_MATCH;
      const bool flush = ct_tally(s, s.strstart - 1 - prevMatch, s.prevLength - MIN_MATCH);
      s.lookahead -= s.prevLength - 1;
      unsigned remaining = s.prevLength - 2;
      do {
        if (++s.strstart <= maxInsert) InsertString(s, s.strstart);
      } while (--remaining != 0);
      s.strstart++;
      matchAvailable = false;
      matchLength = MIN_MATCH - 1;
      if (flush) {
        FlushBlockFromWindow(s, false);
        s.blockStart = static_cast<std::int32_t>(s.strstart);
      }
    } else if (matchAvailable) {
      // No match at the previous position, or a longer one here: the
      // previous byte goes out as a literal.
      if (ct_tally(s, 0, s.window[s.strstart - 1])) {
        FlushBlockFromWindow(s, false);
        s.blockStart = static_cast<std::int32_t>(s.strstart);
      }
      s.strstart++;
      s.lookahead--;
    } else {
      matchAvailable = true;
      s.strstart++;
      s.lookahead--;
    }
    if (s.lookahead < kMinLookahead) FillWindow(s);
  }
  if (matchAvailable) ct_tally(s, 0, s.window[s.strstart - 1]);
  return FlushBlockFromWindow(s, true);
}

}  // namespace norda::zip::deflate
