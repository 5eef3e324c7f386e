// The compressor on every build (natively and under Wine): its streams are
// read back with the plain decoder of deflate_inspector.cpp, which the native
// zlib test checks against zlib.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/deflate_inspector.h"
#include "core/deflate_test_streams.h"
#include "core/zip/deflate.h"
#include "core/zip/deflate_state.h"

namespace norda::test {
namespace {

std::string ErrorText(const zip::DeflateResult& result) {
  return result.error ? result.error : "(none)";
}

struct NamedInput {
  std::string name;
  std::string bytes;
};

std::vector<NamedInput> Inputs() {
  std::vector<NamedInput> inputs = {
      {"one byte", "x"},
      {"two bytes", "xy"},
      {"zeros", std::string(100000, '\0')},
      {"random", RandomBytes(70000, 1)},
      {"text", LogText(150000, 2)},
  };
  for (std::size_t size : {32766u, 32767u, 32768u, 65273u, 65274u, 65275u, 65535u, 65536u, 65537u}) {
    inputs.push_back({"text of " + std::to_string(size), LogText(size, static_cast<std::uint32_t>(size))});
  }
  return inputs;
}

// The symbol that begins at output offset `at`, or null when `at` lies
// inside a match or a stored block.
const DeflateSymbol* SymbolAt(const InspectedStream& stream, std::size_t at) {
  std::size_t offset = 0;
  for (const DeflateBlock& block : stream.blocks) {
    if (block.type == 0) {
      offset += block.storedLength;
      continue;
    }
    for (const DeflateSymbol& symbol : block.symbols) {
      if (offset == at) return &symbol;
      offset += symbol.length ? symbol.length : 1;
    }
  }
  return nullptr;
}

class DeflateLevel : public ::testing::TestWithParam<int> {};

// Catches any stream that does not decode to its input, leaves bytes after
// its last block, misreports its size, or breaks the matcher's limits: match
// lengths 3 to 258, distances up to 32506, at most 32767 symbols a block.
TEST_P(DeflateLevel, EveryInputDecodesToItselfWithinTheLimits) {
  for (const NamedInput& input : Inputs()) {
    SCOPED_TRACE(input.name);
    const Compressed c = CompressString(input.bytes, GetParam());
    EXPECT_EQ(ErrorText(c.result), "(none)");
    EXPECT_EQ(c.result.compressedSize, c.bytes.size());
    const InspectedStream stream = InspectDeflate(c.bytes);
    ASSERT_TRUE(stream.ok) << stream.failure;
    EXPECT_TRUE(stream.output == input.bytes);
    EXPECT_EQ(stream.bytesUsed, c.bytes.size());
    for (const DeflateBlock& block : stream.blocks) {
      EXPECT_LE(block.symbols.size(), 32767u);
      for (const DeflateSymbol& symbol : block.symbols) {
        if (symbol.length == 0) continue;
        EXPECT_GE(symbol.length, 3u);
        EXPECT_LE(symbol.length, 258u);
        EXPECT_LE(symbol.distance, 32506u);
      }
    }
  }
}

// The farthest candidate is 32506 back: data that repeats with that period
// compresses to about one period, one byte more and nothing matches. Three
// periods make the window slide in between.
TEST_P(DeflateLevel, MatchesReachBack32506BytesAndNoFarther) {
  for (std::size_t period : {32506u, 32507u}) {
    SCOPED_TRACE(period);
    const std::string part = RandomBytes(period, 7);
    const std::string input = part + part + part;
    const Compressed c = CompressString(input, GetParam());
    const InspectedStream stream = InspectDeflate(c.bytes);
    ASSERT_TRUE(stream.ok) << stream.failure;
    ASSERT_TRUE(stream.output == input);
    if (period == 32506) {
      EXPECT_LT(c.bytes.size(), period + period / 20);
    } else {
      EXPECT_GT(c.bytes.size(), 3 * period - period / 20);
    }
  }
}

// Random data has no matches: a block ends at 32767 literals and is stored
// when its bytes are still in the window. The second block ends after the
// window slid past its start, so it is coded instead.
TEST_P(DeflateLevel, IncompressibleBlocksAreStoredWhileTheirBytesAreInTheWindow) {
  const std::string input = RandomBytes(100000, 3);
  const Compressed c = CompressString(input, GetParam());
  const InspectedStream stream = InspectDeflate(c.bytes);
  ASSERT_TRUE(stream.ok) << stream.failure;
  ASSERT_GE(stream.blocks.size(), 3u);
  EXPECT_EQ(stream.blocks[0].type, 0u);
  EXPECT_EQ(stream.blocks[0].storedLength, 32767u);
  EXPECT_NE(stream.blocks[1].type, 0u);
  EXPECT_EQ(stream.blocks[1].symbols.size(), 32767u);
}

// Where the fast matcher (levels 1 to 3) and the lazy one (4 to 8) part: at
// the tail, the fast one takes the three bytes from offset 1 at once (then
// fastNext); the lazy one sends a literal (then lazyNext one byte later).
// The lazy matcher gives up a three-byte match more than 4096 bytes back, and
// at "abcdefghijkl" it finds "bcdefghijkl" (11) one byte later.
TEST_P(DeflateLevel, FastAndLazyMatchersPartWays) {
  std::string filler = RandomBytes(5000, 4);
  for (char& ch : filler) ch = static_cast<char>('a' + (static_cast<unsigned char>(ch) % 16));
  const struct {
    std::string input;
    std::size_t tail;
    unsigned fastNext, lazyNext;  // 0: not checked
  } cases[] = {{"_QXZ!" + filler + "QXZ?", 4, 0, 0}, {"#abc1%bcdefghijkl2abcdefghijkl", 12, 9, 11}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input.substr(c.input.size() - c.tail));
    const std::size_t at = c.input.size() - c.tail;
    const InspectedStream stream = InspectDeflate(CompressString(c.input, GetParam()).bytes);
    ASSERT_TRUE(stream.ok) << stream.failure;
    const DeflateSymbol* first = SymbolAt(stream, at);
    ASSERT_NE(first, nullptr);
    const bool fast = GetParam() <= 3;
    EXPECT_EQ(first->length, fast ? 3u : 0u);
    if (fast) {
      EXPECT_EQ(first->distance, at - 1);
    } else {
      EXPECT_EQ(first->literal, static_cast<std::uint8_t>(c.input[at]));
    }
    const unsigned next = fast ? c.fastNext : c.lazyNext;
    if (next == 0) continue;
    const DeflateSymbol* second = SymbolAt(stream, at + (fast ? 3 : 1));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->length, next);
  }
}

INSTANTIATE_TEST_SUITE_P(Levels1To8, DeflateLevel, ::testing::Range(1, 9));

// Inputs whose hash chains are long and searched again and again: the high
// bytes of 64-bit pointers, UTF-16 text, records that differ in a counter.
std::string PointerTable(std::size_t size, std::uint32_t seed) {
  TestRandom random(seed);
  std::string s;
  while (s.size() < size) {
    const std::uint32_t low = random.Next() & 0xFFFF8u;
    const unsigned char value[8] = {static_cast<unsigned char>(low), static_cast<unsigned char>(low >> 8),
                                    static_cast<unsigned char>(low >> 16), 0x5A, 0xF6, 0x7F, 0, 0};
    s.append(reinterpret_cast<const char*>(value), 8);
  }
  s.resize(size);
  return s;
}

std::string Utf16Text(std::size_t size, std::uint32_t seed) {
  std::string s;
  for (char c : LogText(size / 2, seed)) {
    s += c;
    s += '\0';
  }
  return s;
}

std::string Records(std::size_t size, std::uint32_t seed) {
  std::string record = RandomBytes(150, seed);
  for (std::size_t i = 4; i < record.size(); i += 3) record[i] = 0;
  std::string s;
  for (std::uint32_t counter = 0; s.size() < size; counter++) {
    record[0] = static_cast<char>(counter);
    record[1] = static_cast<char>(counter >> 8);
    s += record;
  }
  s.resize(size);
  return s;
}

// The lazy matcher remembers long chains (chain memos) instead of walking
// them again; that must not change a single byte of the stream. Catches a
// memo that skips, repeats or reorders candidates, or outlives a slide.
TEST(Deflate, ChainMemosDoNotChangeTheStream) {
  const NamedInput inputs[] = {
      {"pointers", PointerTable(400000, 1)},
      {"UTF-16 text", Utf16Text(400000, 2)},
      {"records", Records(400000, 3)},
      {"text", LogText(400000, 4)},
      {"zeros and random", std::string(70000, '\0') + RandomBytes(70000, 5) + std::string(70000, '\0')},
  };
  for (const NamedInput& input : inputs) {
    for (int level = 4; level <= 8; level++) {
      SCOPED_TRACE(input.name + " at level " + std::to_string(level));
      std::string streams[2];
      for (int plain = 0; plain < 2; plain++) {
        auto state = std::make_unique<zip::deflate::DeflateState>();
        MemoryStreams memory(input.bytes);
        std::vector<std::uint8_t> buffer(16384);
        std::uint16_t flags = 0;
        const auto walk = plain == 1 ? zip::deflate::ChainWalk::Whole : zip::deflate::ChainWalk::Remembered;
        const zip::DeflateResult result =
            zip::deflate::RunDeflate(*state, level, flags, memory, buffer.data(), buffer.size(), true, walk);
        EXPECT_EQ(ErrorText(result), "(none)");
        streams[plain] = memory.output;
      }
      EXPECT_TRUE(streams[0] == streams[1]);
      if (level == 8) {
        EXPECT_TRUE(InspectDeflate(streams[0]).output == input.bytes);
      }
    }
  }
}

// Fibonacci frequencies make the optimal code deeper than the format allows
// (15 bits, 7 for the code-length code): the lengths must come back within
// the limit and still form a complete prefix code whose size the tree
// reports. Catches a broken repair of overlong codes.
TEST(Deflate, OverlongCodesAreCutToTheLimitAndStayComplete) {
  struct Case {
    const char* name;
    int symbols;
    int maxLength;
  };
  // At most 21 symbols, so that the frequencies add up to less than a block's 32768.
  const Case cases[] = {{"literal/length tree", 21, 15}, {"code-length tree", 19, 7}};
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    auto state = std::make_unique<zip::deflate::DeflateState>();
    zip::deflate::ct_init(*state);
    zip::deflate::TreeDesc& desc = test.maxLength == 15 ? state->lDesc : state->blDesc;
    std::uint32_t a = 1, b = 1;
    for (int n = 0; n < test.symbols; n++) {
      desc.tree[n].freqOrCode = static_cast<std::uint16_t>(a);
      const std::uint32_t next = a + b;
      a = b;
      b = next;
    }
    if (test.maxLength == 15) desc.tree[zip::deflate::kEndBlock].freqOrCode = 0;
    std::uint16_t freq[zip::deflate::kHeapSize];
    for (int n = 0; n < desc.elems; n++) freq[n] = desc.tree[n].freqOrCode;
    state->optLen = 0;
    zip::deflate::BuildTree(*state, desc);

    EXPECT_EQ(ErrorText({0, state->error}), "(none)");
    double kraft = 0;
    std::int64_t bits = 0;
    for (int n = 0; n < test.symbols; n++) {
      const int length = desc.tree[n].dadOrLen;
      ASSERT_GE(length, 1) << n;
      ASSERT_LE(length, test.maxLength) << n;
      kraft += 1.0 / static_cast<double>(1u << length);
      const int extra = n >= desc.firstExtra ? desc.extraBits[n - desc.firstExtra] : 0;
      bits += static_cast<std::int64_t>(freq[n]) * (length + extra);
    }
    EXPECT_DOUBLE_EQ(kraft, 1.0);
    EXPECT_EQ(state->optLen, bits);
  }
}

// An empty input is one last block with fixed codes and only its end code:
// bits 1 (last), 01 (fixed), 0000000 (code 256), padded: 03 00. The end of
// input may be reported as 0 or as all ones.
TEST(Deflate, EmptyInputIsTwoBytesOfOneFixedBlock) {
  for (std::size_t endMark : {std::size_t{0}, zip::kEndOfInput}) {
    for (int level : {1, 3, 4, 8}) {
      SCOPED_TRACE(level);
      const std::string input;
      MemoryStreams streams(input);
      streams.endMark = endMark;
      std::vector<std::uint8_t> buffer(16384);
      std::uint16_t flags = 0;
      const zip::DeflateResult result = zip::DeflateEntry(level, flags, streams, buffer.data(), buffer.size());
      EXPECT_EQ(ErrorText(result), "(none)");
      EXPECT_EQ(result.compressedSize, 2u);
      EXPECT_EQ(streams.output, std::string("\x03\x00", 2));
    }
  }
}

// The output buffer is handed over only when fewer than two bytes are free
// (or at the end), and the sizes handed over add up to the compressed size.
TEST(Deflate, OutputGoesOutInFullBuffers) {
  const std::string input = LogText(400000, 6);
  MemoryStreams streams(input);
  std::vector<std::uint8_t> buffer(16384);
  std::uint16_t flags = 0;
  const zip::DeflateResult result = zip::DeflateEntry(8, flags, streams, buffer.data(), buffer.size());
  ASSERT_GE(streams.flushSizes.size(), 3u);
  std::size_t total = 0;
  for (std::size_t i = 0; i < streams.flushSizes.size(); i++) {
    if (i + 1 < streams.flushSizes.size()) {
      EXPECT_GE(streams.flushSizes[i], 16383u);
    }
    EXPECT_LE(streams.flushSizes[i], 16384u);
    total += streams.flushSizes[i];
  }
  EXPECT_EQ(total, result.compressedSize);
}

// A Flush that writes nothing must not pass for a good entry. A stored block
// goes out straight from the window, by a path of its own; failures of the
// buffer's flushes are checked by fuzz/deflate_fuzz.cpp.
TEST(Deflate, FailedFlushOfAStoredBlockIsReported) {
  MemoryStreams streams(RandomBytes(40000, 8));
  streams.failFlushFrom = 2;
  std::vector<std::uint8_t> buffer(16384);
  std::uint16_t flags = 0;
  const zip::DeflateResult result = zip::DeflateEntry(8, flags, streams, buffer.data(), buffer.size());
  EXPECT_EQ(ErrorText(result), zip::kDeflateOutputFailed);
}

// Without flushing at alignment (the in-memory mode), a stored block that
// does not fit the output buffer is reported.
TEST(Deflate, InMemoryModeReportsAStoredBlockThatDoesNotFit) {
  const std::string input = RandomBytes(40000, 10);
  auto state = std::make_unique<zip::deflate::DeflateState>();
  MemoryStreams streams(input);
  std::vector<std::uint8_t> buffer(1024);
  std::uint16_t flags = 0;
  const zip::DeflateResult result =
      zip::deflate::RunDeflate(*state, 8, flags, streams, buffer.data(), buffer.size(), false);
  EXPECT_EQ(ErrorText(result), "output buffer too small for in-memory compression");
}

}  // namespace
}  // namespace norda::test
