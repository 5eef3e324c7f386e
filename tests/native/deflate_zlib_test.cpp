// The compressor and CRC-32 against zlib: every stream must inflate with
// zlib's raw inflate to its input, sizes must stay near zlib's at the same
// level (the level table is the same), and the CRC must equal zlib's crc32.
// Also the norda-deflate tool, through a pipe into Python's zlib.
#include <gtest/gtest.h>

#include "support/run_command.h"
#include <zlib.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/deflate_inspector.h"
#include "core/deflate_test_streams.h"
#include "core/zip/crc32.h"
#include "support/scratch_folder.h"
#include "support/test_files.h"

namespace norda::test {
namespace {

// zlib's raw inflate (window bits -15); false unless the stream ends
// exactly at its last byte.
bool ZlibInflate(const std::string& compressed, std::string& output) {
  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK) return false;
  output.clear();
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
  z.avail_in = static_cast<uInt>(compressed.size());
  std::vector<char> chunk(1 << 16);
  int status;
  do {
    z.next_out = reinterpret_cast<Bytef*>(chunk.data());
    z.avail_out = static_cast<uInt>(chunk.size());
    status = inflate(&z, Z_NO_FLUSH);
    output.append(chunk.data(), chunk.size() - z.avail_out);
  } while (status == Z_OK);
  const bool ok = status == Z_STREAM_END && z.avail_in == 0;
  inflateEnd(&z);
  return ok;
}

std::string ZlibDeflate(const std::string& input, int level) {
  z_stream z{};
  deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, input.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
  z.avail_in = static_cast<uInt>(input.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// A dump-like mix: zero pages, repeated records, pointer-like values, random runs.
std::string DumpLike(std::size_t size, std::uint32_t seed) {
  TestRandom random(seed);
  std::string s;
  while (s.size() < size) {
    switch (random.Next() % 4) {
      case 0: s.append(4096, '\0'); break;
      case 1: {
        const std::string record = RandomBytes(64 + random.Next() % 200, random.Next());
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
      default: s += RandomBytes(1000 + random.Next() % 8000, random.Next()); break;
    }
  }
  s.resize(size);
  return s;
}

struct NamedInput {
  std::string name;
  std::string bytes;
};

// Large inputs whose sizes are compared with zlib's. Short inputs, reads of
// every size and window-slide boundaries are fuzz/deflate_fuzz.cpp's (through
// zlib's inflate) and tests/core/deflate_test.cpp's.
const std::vector<NamedInput>& Inputs() {
  static const std::vector<NamedInput> inputs = {
      {"zeros", std::string(300000, '\0')},
      {"random", RandomBytes(300000, 11)},
      {"text", LogText(500000, 12)},
      {"dump-like, many megabytes", DumpLike(6u << 20, 13)},
  };
  return inputs;
}

class DeflateAgainstZlib : public ::testing::TestWithParam<int> {};

// Catches any stream zlib does not inflate to the input, and compression
// that falls behind zlib's at the same level by more than 3%.
TEST_P(DeflateAgainstZlib, InflatesToTheInputAndComparesWithZlibsSize) {
  const int level = GetParam();
  for (const NamedInput& input : Inputs()) {
    SCOPED_TRACE(input.name);
    const Compressed c = CompressString(input.bytes, level);
    EXPECT_EQ(c.result.error, nullptr) << c.result.error;
    std::string inflated;
    ASSERT_TRUE(ZlibInflate(c.bytes, inflated));
    EXPECT_TRUE(inflated == input.bytes);
    const std::size_t zlibSize = ZlibDeflate(input.bytes, level).size();
    EXPECT_LE(c.bytes.size(), zlibSize + zlibSize * 3 / 100) << "zlib: " << zlibSize;
  }
}

INSTANTIATE_TEST_SUITE_P(Levels1To8, DeflateAgainstZlib, ::testing::Range(1, 9));

// The plain decoder that the portable tests rely on agrees with zlib on
// streams of every block type (stored, fixed and dynamic codes).
TEST(DeflateInspector, AgreesWithZlib) {
  std::vector<NamedInput> inputs = {{"empty", ""}, {"one byte", "\x7f"}};
  for (const NamedInput& input : Inputs()) {
    if (input.bytes.size() <= 500000) inputs.push_back(input);
  }
  for (const NamedInput& input : inputs) {
    SCOPED_TRACE(input.name);
    for (int level : {1, 8}) {
      const std::string compressed = ZlibDeflate(input.bytes, level);
      const InspectedStream stream = InspectDeflate(compressed);
      ASSERT_TRUE(stream.ok) << stream.failure;
      EXPECT_TRUE(stream.output == input.bytes);
      EXPECT_EQ(stream.bytesUsed, compressed.size());
    }
  }
}

// Catches a table, slicing or lane fault: every length 0..300 at every
// alignment 0..7, lengths around the lanes' rounds, one large buffer, and the
// same data fed in uneven pieces.
TEST(Crc32, EqualsZlibsCrc32) {
  const std::string data = RandomBytes(1 << 20, 31);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.data());
  for (std::size_t offset = 0; offset < 8; offset++) {
    for (std::size_t length = 0; length <= 300; length++) {
      ASSERT_EQ(zip::Crc32Update(0, bytes + offset, length),
                crc32(0, bytes + offset, static_cast<uInt>(length)))
          << offset << " " << length;
    }
  }
  // Around the lengths where three lanes of 8 KiB start to be folded side by side.
  for (std::size_t length : {24575u, 24576u, 24577u, 49151u, 49152u, 49160u, 73733u}) {
    ASSERT_EQ(zip::Crc32Update(0x12345678u, bytes + 3, length),
              crc32(0x12345678u, bytes + 3, static_cast<uInt>(length)))
        << length;
  }
  const std::uint32_t whole = static_cast<std::uint32_t>(crc32(0, bytes, static_cast<uInt>(data.size())));
  EXPECT_EQ(zip::Crc32Update(0, bytes, data.size()), whole);
  std::uint32_t pieces = 0;
  std::size_t at = 0;
  for (std::size_t piece = 1; at < data.size(); piece = piece * 3 + 1) {
    const std::size_t n = std::min(piece % 70001, data.size() - at);
    pieces = zip::Crc32Update(pieces, bytes + at, n);
    at += n;
  }
  EXPECT_EQ(pieces, whole);
}

// The tool: standard input to standard output at each level, checked by
// Python's zlib; bad arguments and a failing output give a non-zero exit.
class DeflateTool : public ::testing::Test {
 protected:
  std::string Tool() const { return test::BinaryDir() + "/tools/norda-deflate"; }
  std::string Native(const std::u16string& path) const { return NativeFsPath(path).string(); }
  static int Exit(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }
  ScratchFolder folder_;
};

TEST_F(DeflateTool, PipesThroughPythonsZlib) {
  const std::string input = DumpLike(500000, 41);
  WriteBytes(folder_ / u"in.bin", input);
  for (const char* level : {"-1", "-4", "-8", ""}) {
    SCOPED_TRACE(level);
    const std::string command = Tool() + " " + level + " < " + Native(folder_ / u"in.bin") +
                                " | /usr/bin/python3 -c \"import sys, zlib; "
                                "sys.stdout.buffer.write(zlib.decompress(sys.stdin.buffer.read(), -15))\" > " +
                                Native(folder_ / u"out.bin");
    ASSERT_EQ(Exit(std::system(command.c_str())), 0);
    EXPECT_TRUE(ReadBytes(folder_ / u"out.bin") == input);
  }
}

TEST_F(DeflateTool, RefusesBadArgumentsAndReportsWriteFailure) {
  for (const char* args : {"-0", "-9", "-x", "8", "-8 -8", "--level=8"}) {
    SCOPED_TRACE(args);
    const std::string command = Tool() + " " + args + " < /dev/null > /dev/null 2> " + Native(folder_ / u"err.txt");
    EXPECT_EQ(Exit(std::system(command.c_str())), 2);
    EXPECT_NE(ReadBytes(folder_ / u"err.txt").find("usage: norda-deflate"), std::string::npos);
  }
  WriteBytes(folder_ / u"in.bin", LogText(100000, 42));
  const std::string command = Tool() + " < " + Native(folder_ / u"in.bin") + " > /dev/full 2> /dev/null";
  EXPECT_EQ(Exit(std::system(command.c_str())), 1);
}

}  // namespace
}  // namespace norda::test
