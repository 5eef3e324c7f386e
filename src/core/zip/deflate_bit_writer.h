// The compressor's bit writer: codes go out least significant bit first
// (RFC 1951 3.1.1), gathered in a bit buffer and moved to the output buffer
// 16 bits at a time. The output buffer is the archive writer's; when it has
// no room left it is handed to the writer's Flush.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/zip/deflate.h"

namespace norda::zip::deflate {

inline constexpr char kInvalidLength[] = "invalid length";
inline constexpr char kOutputTooSmall[] = "output buffer too small for in-memory compression";

struct BitWriter {
  std::uint32_t bits;      // pending bits, the oldest in the lowest position
  int validBits;           // how many of them are valid (at most 16 between calls)
  std::uint8_t* out;       // the output buffer
  std::size_t outSize;
  std::size_t outOffset;   // bytes waiting in the output buffer
  bool flushOnAlign;       // flush at every byte alignment and write stored blocks straight through
  std::uint64_t bitsSent;  // every bit sent so far, alignment included
  DeflateStreams* streams;
  const char** errorSlot;
};

void StartBitWriter(BitWriter& writer, std::uint8_t* out, std::size_t outSize, bool flushOnAlign,
                    DeflateStreams& streams, const char** errorSlot);

// Hands the waiting bytes to the writer. A Flush that writes nothing leaves
// them waiting (the buffer stays full, later bytes are dropped) and puts
// kDeflateOutputFailed in the error slot.
void FlushOutput(BitWriter& writer);

inline void PutShort(BitWriter& writer, unsigned value) {
  if (writer.outOffset + 2 > writer.outSize) FlushOutput(writer);
  if (writer.outOffset + 2 > writer.outSize) return;  // a failed flush: dropped
  writer.out[writer.outOffset] = static_cast<std::uint8_t>(value);
  writer.out[writer.outOffset + 1] = static_cast<std::uint8_t>(value >> 8);
  writer.outOffset += 2;
}

inline void PutByte(BitWriter& writer, unsigned value) {
  if (writer.outOffset >= writer.outSize) FlushOutput(writer);
  if (writer.outOffset >= writer.outSize) return;  // a failed flush: dropped
  writer.out[writer.outOffset++] = static_cast<std::uint8_t>(value);
}

// Sends the low `length` bits of value (1 to 15 bits).
inline void SendBits(BitWriter& writer, unsigned value, int length) {
  if (length < 1 || length > 15) {
    *writer.errorSlot = kInvalidLength;
    return;
  }
  writer.bitsSent += static_cast<unsigned>(length);
  writer.bits |= value << writer.validBits;
  writer.validBits += length;
  if (writer.validBits > 16) {
    PutShort(writer, writer.bits & 0xFFFFu);
    writer.bits >>= 16;
    writer.validBits -= 16;
  }
}

// Moves the output to a byte boundary: the last one or two partial bytes go
// out, and with flushOnAlign the output buffer is flushed.
void AlignToByte(BitWriter& writer);

// The body of a stored block (RFC 1951 3.2.4): alignment, LEN and NLEN, then
// the bytes themselves, handed to the writer's Flush without a copy.
void SendStoredBytes(BitWriter& writer, const std::uint8_t* data, unsigned length);

}  // namespace norda::zip::deflate
