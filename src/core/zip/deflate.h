// The archive writer's deflate compressor: one entry in, one raw deflate stream
// (RFC 1951, no zlib or gzip wrapper) out.
#pragma once

#include <cstddef>
#include <cstdint>

namespace norda::zip {

// A read result of all ones counts as the end of input, like 0.
constexpr std::size_t kEndOfInput = static_cast<std::size_t>(-1);

// Where the compressor pulls its input from and pushes its output to. The
// archive writer implements it: it keeps the CRC and byte count of what it
// hands out, and writes what it is given into the archive.
class DeflateStreams {
 public:
  virtual ~DeflateStreams() = default;
  // Fills buffer with up to size source bytes; returns the count, 0 or
  // kEndOfInput at the end of input.
  virtual std::size_t Read(std::uint8_t* buffer, std::size_t size) = 0;
  // Writes the first size bytes of data to the output; sets size to 0 when
  // anything was written (a failed write leaves it unchanged).
  virtual void Flush(const std::uint8_t* data, std::size_t& size) = 0;
};

// The error slot's text when a Flush wrote nothing. The compressor goes on
// to the end of the input, but the bytes that Flush refused, and those that
// came while the buffer stayed full, are lost: the entry is incomplete.
inline constexpr char kDeflateOutputFailed[] = "output write failed";

struct DeflateResult {
  std::uint32_t compressedSize = 0;  // bytes of deflate output
  // The error slot: the text of the last failed check, or null. Any text
  // means the entry failed, an output failure (kDeflateOutputFailed) as well
  // as an internal check.
  const char* error = nullptr;
};

// Compresses the whole input at level 1 to 8. Marks the entry's general
// purpose flags as the level asks (4 for levels 1 and 2, 2 for level 8).
// outputBuffer is the writer's working buffer (at least 2 bytes); output goes
// through it. A level outside 1 to 8 puts "bad pack level" in the error slot,
// leaves the flags alone and compresses at the nearest level in range, so
// that the output is still a valid stream.
DeflateResult DeflateEntry(int level, std::uint16_t& generalPurposeFlags, DeflateStreams& streams,
                           std::uint8_t* outputBuffer, std::size_t outputBufferSize);

}  // namespace norda::zip
