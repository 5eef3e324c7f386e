// The compressor, CRC-32 and norda-deflate against zlib, and the streams kept
// bit for bit as they were made.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/zip/crc32.h"
#include "core/zip/deflate.h"
#include "core/zip/deflate_state.h"
#include "support/run_command.h"
#include "support/scratch_folder.h"
#include "support/test_files.h"
#include "support/test_inputs.h"
#include "support/zlib_peer.h"

namespace norda::test {
namespace {

// The input from a string, the output into a string; Flush writes nothing
// from call failFrom (counted from 0) on.
struct Compressed : zip::DeflateStreams {
  std::size_t Read(std::uint8_t* buffer, std::size_t size) override {
    const std::size_t n = std::min(size, input.size() - read);
    std::memcpy(buffer, input.data() + read, n);
    read += n;
    return n;
  }
  void Flush(const std::uint8_t* data, std::size_t& size) override {
    flushSizes.push_back(size);
    if (failFrom >= 0 && static_cast<int>(flushSizes.size()) > failFrom) return;
    bytes.append(reinterpret_cast<const char*>(data), size);
    size = 0;
  }
  std::string input, bytes;
  std::size_t read = 0;
  int failFrom = -1;
  std::vector<std::size_t> flushSizes;
  zip::DeflateResult result;
};

// outputSize is the working buffer; flushOnAlign false is the in-memory mode.
Compressed Compress(const std::string& input, int level, int failFrom = -1, std::size_t outputSize = 16384,
                    bool flushOnAlign = true) {
  Compressed c;
  c.input = input;
  c.failFrom = failFrom;
  auto state = std::make_unique<zip::deflate::DeflateState>();
  std::vector<std::uint8_t> buffer(outputSize);
  std::uint16_t flags = 0;
  c.result = zip::deflate::RunDeflate(*state, level, flags, c, buffer.data(), buffer.size(), flushOnAlign);
  return c;
}

std::string Inflated(const std::string& compressed) {
  std::string out;
  const std::string problem = InflateRaw(compressed, out);
  return problem.empty() ? out : "zlib: " + problem;
}

// A dump-like mix: zero pages, repeated records, pointer-like values, random runs.
std::string DumpLike(std::size_t size, std::uint32_t seed) {
  TestRandom random(seed);
  // Random bytes of base to base + spread - 1; the seed is drawn first on every compiler.
  const auto randomRun = [&random](unsigned base, unsigned spread) {
    const std::uint32_t runSeed = random.Next();
    return RandomBytes(base + random.Next() % spread, runSeed);
  };
  std::string s;
  while (s.size() < size) {
    switch (random.Next() % 4) {
      case 0: s.append(4096, '\0'); break;
      case 1: {
        const std::string record = randomRun(64, 200);
        for (unsigned i = 0, n = 2 + random.Next() % 30; i < n; i++) s += record;
        break;
      }
      case 2:
        for (int i = 0; i < 512; i++) {
          const std::uint32_t v = 0x7FF60000u + (random.Next() & 0xFFF8u);
          s.append(reinterpret_cast<const char*>(&v), 4);
          s.append("\0\0\0\0", 4);
        }
        break;
      default: s += randomRun(1000, 8000); break;
    }
  }
  s.resize(size);
  return s;
}

class DeflateLevel : public ::testing::TestWithParam<int> {};

// Long streams, across the window's slides (65274) and up to many megabytes,
// inflate and stay within 3 % of zlib's size at the same level.
TEST_P(DeflateLevel, LongStreamsInflateAndKeepUpWithZlib) {
  std::vector<std::string> inputs = {std::string(300000, '\0'), RandomBytes(300000, 11), LogText(500000, 12),
                                     DumpLike(6u << 20, 13)};
  for (std::size_t size : {65273u, 65274u, 65275u, 65536u}) inputs.push_back(LogText(size, 14));
  for (const std::string& input : inputs) {
    SCOPED_TRACE(input.size());
    const Compressed c = Compress(input, GetParam());
    EXPECT_EQ(c.result.error, nullptr) << c.result.error;
    EXPECT_EQ(c.result.compressedSize, c.bytes.size());
    ASSERT_TRUE(Inflated(c.bytes) == input);
    const std::size_t zlibSize = DeflateRaw(input, GetParam()).size();
    EXPECT_LE(c.bytes.size(), zlibSize + zlibSize * 3 / 100) << "zlib: " << zlibSize;
  }
}

// The farthest candidate is 32506 back: with that period, data compresses to
// about one period; one byte more and nothing matches (the window slides).
TEST_P(DeflateLevel, MatchesReachBack32506BytesAndNoFarther) {
  for (std::size_t period : {32506u, 32507u}) {
    SCOPED_TRACE(period);
    const std::string part = RandomBytes(period, 7);
    const std::string input = part + part + part;
    const Compressed c = Compress(input, GetParam());
    ASSERT_TRUE(Inflated(c.bytes) == input);
    if (period == 32506) {
      EXPECT_LT(c.bytes.size(), period + period / 20);
    } else {
      EXPECT_GT(c.bytes.size(), 3 * period - period / 20);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Levels1To8, DeflateLevel, ::testing::Range(1, 9));

// Inputs whose hash chains are long and searched again and again: the high
// bytes of 64-bit pointers, UTF-16 text, records that differ in a counter.
std::string LongChains(std::uint32_t seed) {
  TestRandom random(seed);
  std::string s;
  while (s.size() < 140000) {
    const std::uint32_t low = random.Next() & 0xFFFF8u;
    const char value[8] = {static_cast<char>(low), static_cast<char>(low >> 8), static_cast<char>(low >> 16),
                           0x5A, static_cast<char>(0xF6), 0x7F, 0, 0};
    s.append(value, 8);
  }
  for (char c : LogText(70000, seed)) s += std::string{c, '\0'};
  std::string record = RandomBytes(150, seed);
  for (std::size_t i = 4; i < record.size(); i += 3) record[i] = 0;
  for (std::uint32_t counter = 0; s.size() < 420000; counter++) {
    record[0] = static_cast<char>(counter);
    record[1] = static_cast<char>(counter >> 8);
    s += record;
  }
  return s;
}

// Inputs of every kind the matcher meets, each made from a seed.
std::vector<std::string> GuardInputs() {
  std::string registry = "\xFF\xFE";  // UTF-16 text with a byte-order mark, as a registry export
  TestRandom random(21);
  while (registry.size() < 300000) {
    const std::uint32_t color = 10000000 + random.Next() % 9000, layer = random.Next() % 500;  // this order
    const std::string line = "[HKEY_CURRENT_USER\\Software\\Norda\\Layer" + std::to_string(layer) +
                             "]\r\n\"Color\"=dword:" + std::to_string(color) + "\r\n";
    for (char c : line) registry += std::string{c, '\0'};
  }
  std::string fourLetters = RandomBytes(200000, 22), period258 = RandomBytes(258, 23) + RandomBytes(259, 24);
  for (char& c : fourLetters) c = "acgt"[c & 3];
  for (int i = 0; i < 10; i++) period258 += period258.substr(i * 40, 258) + period258.substr(0, 259);
  // Three-byte repeats just within and beyond 4096 back, and a match one position later beating one here.
  std::string lazy = RandomBytes(30000, 25);
  for (std::size_t i = 5000; i + 20 < lazy.size(); i += 97) lazy.replace(i, 3, lazy, i - 4096 - i % 3, 3);
  for (std::size_t i = 12000; i + 40 < lazy.size(); i += 211) {
    lazy.replace(i + 1, 30, lazy, i - 7000, 30);
    lazy.replace(i - 3000, 4, lazy, i, 4);
  }
  const std::string zeros(70000, '\0');
  std::vector<std::string> inputs = {"", "a", "abc", std::string(258, 'z'), std::string(300000, '\0'),
                                     LogText(100000, 1), DumpLike(700000, 2), registry,
                                     RandomBytes(100000, 3), fourLetters, period258, lazy, LongChains(4),
                                     zeros + RandomBytes(70000, 6) + zeros};
  for (std::size_t size : {261u, 262u, 263u, 32767u, 32768u, 65273u, 65274u, 65275u, 65536u, 98304u}) {
    inputs.push_back(size < 32767 ? LogText(size, 5) : DumpLike(size, static_cast<std::uint32_t>(size)));
  }
  return inputs;
}

// The streams as this compressor made them when they were last meant to
// change: CRC-32 of each input's stream at levels 1 to 8. Making the matcher
// faster must not move a bit; 0 and 9 give the streams of 1 and 8.
TEST(Deflate, StreamsStayAsTheyWere) {
  static const std::uint32_t kStreams[][8] = {
    {0x6af4413c, 0x6af4413c, 0x6af4413c, 0x6af4413c, 0x6af4413c, 0x6af4413c, 0x6af4413c, 0x6af4413c},
    {0xe7e27e37, 0xe7e27e37, 0xe7e27e37, 0xe7e27e37, 0xe7e27e37, 0xe7e27e37, 0xe7e27e37, 0xe7e27e37},
    {0x1394d650, 0x1394d650, 0x1394d650, 0x1394d650, 0x1394d650, 0x1394d650, 0x1394d650, 0x1394d650},
    {0x61199b6d, 0x61199b6d, 0x61199b6d, 0x61199b6d, 0x61199b6d, 0x61199b6d, 0x61199b6d, 0x61199b6d},
    {0x4d5f1034, 0x4d5f1034, 0x4d5f1034, 0xad466e20, 0xad466e20, 0xad466e20, 0xad466e20, 0xad466e20},
    {0x19602be7, 0x03b98649, 0xe7de39e1, 0xc9887652, 0xb94bf033, 0x2b37046d, 0xf5f7b7bb, 0x43d43dce},
    {0xca3bc518, 0xefe55fee, 0xa19ec9b4, 0x08186e17, 0xff6c7c6e, 0xb2e87e5a, 0xabf4edb4, 0x5e425da4},
    {0x38aea61f, 0x7d7ad3ce, 0x71bbee96, 0x47428b85, 0x4f700a81, 0x1baffba7, 0x116e53dd, 0x9b8e0efd},
    {0xbe79cf5e, 0xbe79cf5e, 0xbe79cf5e, 0xbe79cf5e, 0xbe79cf5e, 0xbe79cf5e, 0xbe79cf5e, 0xbe79cf5e},
    {0x443b1e77, 0xb42ef851, 0x3e796833, 0xb5a32c7d, 0x2e3ecb63, 0x2e3ecb63, 0x2e3ecb63, 0x2e3ecb63},
    {0xfe29fee0, 0xfe29fee0, 0xfe29fee0, 0x5c1f1ec9, 0x1bd8285d, 0x8d92dd95, 0x8d92dd95, 0xfe29fee0},
    {0x01fd3bd4, 0x01fd3bd4, 0x01fd3bd4, 0xdf4d90d6, 0xec6ab3e1, 0xec6ab3e1, 0xec6ab3e1, 0xec6ab3e1},
    {0xa2fcf170, 0xcdbc69dc, 0xa5991b95, 0x545984ff, 0x4b0637f9, 0x6f2f470f, 0x68c3171a, 0x4bee6fe5},
    {0x9a035f5c, 0x9a035f5c, 0x5530855e, 0xb3c601b9, 0xb3c601b9, 0xb3c601b9, 0xb3c601b9, 0xb3c601b9},
    {0x715428bc, 0x715428bc, 0x68e74484, 0x84f2f0ce, 0x84f2f0ce, 0x84f2f0ce, 0x84f2f0ce, 0x84f2f0ce},
    {0x4c3f0b5e, 0x4c3f0b5e, 0x42e470a1, 0x1170d253, 0x1170d253, 0x1170d253, 0x1170d253, 0x1170d253},
    {0x4557c885, 0x4557c885, 0x616b12ec, 0xe65b3771, 0xe65b3771, 0xe65b3771, 0xe65b3771, 0xe65b3771},
    {0x858a9f4d, 0xadade2e3, 0x68f02f6d, 0x11680671, 0x56e53084, 0x78c83aa2, 0xa00cb8c0, 0x988dd3f1},
    {0x4991fadc, 0x95a59c33, 0x24aeb5d1, 0x96bbe180, 0xce78fd24, 0xafde1732, 0x90f2ba6d, 0xe9c6a30d},
    {0x4bcc8780, 0xf8e764f8, 0x1cd10b89, 0xe66554fc, 0x7667c10a, 0x1fcb848e, 0xe41653a8, 0xa67c7f23},
    {0x8372a7a6, 0xde770912, 0xfa0aed66, 0xb954d5c7, 0x2e33f68f, 0x7d43e933, 0x74a2fd48, 0x22fedf30},
    {0x2beb1232, 0x771b9fa3, 0x57e06961, 0x3ca2b4ca, 0x4e049b3c, 0xc1698974, 0x01970d41, 0x1babe282},
    {0xb369d5d3, 0xe17b98a8, 0x72b927dd, 0xe60d1608, 0x59856758, 0xdb2c4da7, 0x0829522c, 0xd4e7a9ca},
    {0xfb83e76d, 0x10d9912d, 0x952c2e36, 0xeb70d80a, 0x4baffe2b, 0x5530d55b, 0x78a14de4, 0xdfd20547},
  };
  const std::vector<std::string> inputs = GuardInputs();
  ASSERT_EQ(inputs.size(), std::size(kStreams));
  for (std::size_t i = 0; i < inputs.size(); i++) {
    for (int level = 0; level <= 9; level++) {
      const std::string bytes = Compress(inputs[i], level).bytes;
      const auto* data = reinterpret_cast<const Bytef*>(bytes.data());
      EXPECT_EQ(crc32(0, data, static_cast<uInt>(bytes.size())), kStreams[i][std::clamp(level, 1, 8) - 1])
          << "input " << i << " (" << inputs[i].size() << " bytes) at level " << level;
    }
  }
}

// The output buffer is handed over only when fewer than two bytes are free
// (or at the end); a stored block goes out straight from the window, and a
// Flush that writes nothing there must not pass for a good entry. Without
// flushing at alignment (the in-memory mode) a stored block must fit.
TEST(Deflate, OutputGoesOutInFullBuffersAndFailuresAreReported) {
  const Compressed text = Compress(LogText(400000, 6), 8);
  ASSERT_GE(text.flushSizes.size(), 3u);
  for (std::size_t i = 0; i + 1 < text.flushSizes.size(); i++) EXPECT_GE(text.flushSizes[i], 16383u);
  EXPECT_LE(text.flushSizes.back(), 16384u);
  const std::string random = RandomBytes(40000, 8);
  EXPECT_STREQ(Compress(random, 8, 2).result.error, zip::kDeflateOutputFailed);
  EXPECT_STREQ(Compress(random, 8, -1, 1024, false).result.error,
               "output buffer too small for in-memory compression");
}

// Every length 0..300 and around where three lanes of 8 KiB are folded, at
// each alignment 0..7; one large buffer, whole and in uneven pieces.
TEST(Crc32, EqualsZlibsCrc32) {
  const std::string data = RandomBytes(1 << 20, 31);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.data());
  std::vector<std::size_t> lengths = {24575u, 24576u, 24577u, 49151u, 49152u, 49160u, 73733u};
  for (std::size_t length = 0; length <= 300; length++) lengths.push_back(length);
  for (std::size_t offset = 0; offset < 8; offset++) {
    for (std::size_t length : lengths) {
      ASSERT_EQ(zip::Crc32Update(0x12345678u, bytes + offset, length),
                crc32(0x12345678u, bytes + offset, static_cast<uInt>(length)))
          << offset << " " << length;
    }
  }
  std::uint32_t pieces = 0;
  for (std::size_t at = 0, piece = 1; at < data.size(); piece = piece * 3 + 1) {
    const std::size_t n = std::min(piece % 70001, data.size() - at);
    pieces = zip::Crc32Update(pieces, bytes + at, n);
    at += n;
  }
  EXPECT_EQ(pieces, crc32(0, bytes, static_cast<uInt>(data.size())));
  EXPECT_EQ(zip::Crc32Update(0, bytes, data.size()), pieces);
}

// The tool: standard input to standard output at each level, checked by
// Python's zlib; bad arguments and a failing output give their exit codes.
TEST(DeflateTool, PipesThroughPythonsZlibAndReportsFailures) {
  ScratchFolder folder;
  const std::string tool = BinaryDir() + "/tools/norda-deflate";
  const std::string in = NativeFsPath(folder / u"in.bin").string();
  const std::string input = DumpLike(500000, 41);
  WriteBytes(folder / u"in.bin", input);
  const std::string inflate =
      " | /usr/bin/python3 -c 'import sys, zlib; "
      "sys.stdout.buffer.write(zlib.decompress(sys.stdin.buffer.read(), -15))'";
  for (const char* level : {"-1", "-4", "-8", ""}) {
    const CommandResult piped = RunCommand({"/bin/sh", "-c", tool + " " + level + " < " + in + inflate});
    EXPECT_EQ(piped.exitCode, 0) << level;
    EXPECT_TRUE(piped.output == input) << level;
  }
  for (const char* args : {"-0", "-9", "-x", "8", "-8 -8", "--level=8"}) {
    const CommandResult refused = RunCommand({"/bin/sh", "-c", tool + " " + args + " < /dev/null"});
    EXPECT_EQ(refused.exitCode, 2) << args;
    EXPECT_NE(refused.output.find("usage: norda-deflate"), std::string::npos) << args;
  }
  EXPECT_EQ(RunCommand({"/bin/sh", "-c", tool + " < " + in + " > /dev/full"}).exitCode, 1);
}

}  // namespace
}  // namespace norda::test
