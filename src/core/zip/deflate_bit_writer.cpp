#include "core/zip/deflate_bit_writer.h"

#include <cstring>

namespace norda::zip::deflate {

void StartBitWriter(BitWriter& writer, std::uint8_t* out, std::size_t outSize, bool flushOnAlign,
                    DeflateStreams& streams, const char** errorSlot) {
  writer.bits = 0;
  writer.validBits = 0;
  writer.out = out;
  writer.outSize = outSize;
  writer.outOffset = 0;
  writer.flushOnAlign = flushOnAlign;
  writer.bitsSent = 0;
  writer.streams = &streams;
  writer.errorSlot = errorSlot;
}

void FlushOutput(BitWriter& writer) {
  if (writer.outOffset == 0) return;
  std::size_t size = writer.outOffset;
  writer.streams->Flush(writer.out, size);
  if (size == 0) {
    writer.outOffset = 0;
  } else {
    *writer.errorSlot = kDeflateOutputFailed;
  }
}

void AlignToByte(BitWriter& writer) {
  if (writer.validBits > 8) {
    PutShort(writer, writer.bits & 0xFFFFu);
  } else if (writer.validBits > 0) {
    PutByte(writer, writer.bits & 0xFFu);
  }
  if (writer.flushOnAlign) FlushOutput(writer);
  writer.bits = 0;
  writer.validBits = 0;
  writer.bitsSent = (writer.bitsSent + 7) & ~std::uint64_t{7};
}

void SendStoredBytes(BitWriter& writer, const std::uint8_t* data, unsigned length) {
  AlignToByte(writer);
  PutShort(writer, length & 0xFFFFu);
  PutShort(writer, ~length & 0xFFFFu);
  writer.bitsSent += 2 * 16;
  if (writer.flushOnAlign) {
    FlushOutput(writer);
    // After a failed flush the header is still waiting: the bytes are dropped
    // rather than written ahead of it.
    if (writer.outOffset == 0 && length != 0) {
      std::size_t size = length;
      writer.streams->Flush(data, size);
      if (size != 0) *writer.errorSlot = kDeflateOutputFailed;
    }
  } else if (writer.outOffset + length > writer.outSize) {
    *writer.errorSlot = kOutputTooSmall;
  } else {
    std::memcpy(writer.out + writer.outOffset, data, length);
    writer.outOffset += length;
  }
  writer.bitsSent += std::uint64_t{length} << 3;
}

}  // namespace norda::zip::deflate
