// One entry through the compressor: a fresh state, the bit writer on the
// archive writer's buffer, the tables, the matcher of the level, and the
// last block.
#include "core/zip/deflate.h"

#include <memory>
#include <new>

#include "core/zip/deflate_state.h"

namespace norda::zip {
namespace deflate {

DeflateResult RunDeflate(DeflateState& s, int level, std::uint16_t& generalPurposeFlags,
                         DeflateStreams& streams, std::uint8_t* outputBuffer,
                         std::size_t outputBufferSize, bool flushOnAlign) {
  if (outputBuffer == nullptr || outputBufferSize < 2) return {0, kNoOutputBuffer};
  s.level = level;
  s.streams = &streams;
  s.error = nullptr;
  StartBitWriter(s.bits, outputBuffer, outputBufferSize, flushOnAlign, streams, &s.error);
  ct_init(s);
  StartMatcher(s, level, generalPurposeFlags);
  const std::uint64_t size = s.level <= kLastFastLevel ? DeflateFast(s) : DeflateLazy(s);
  return {static_cast<std::uint32_t>(size), s.error};
}

}  // namespace deflate

DeflateResult DeflateEntry(int level, std::uint16_t& generalPurposeFlags, DeflateStreams& streams,
                           std::uint8_t* outputBuffer, std::size_t outputBufferSize) {
  // About 700 KiB, all zero: on the heap, made and freed once per entry.
  std::unique_ptr<deflate::DeflateState> state(new (std::nothrow) deflate::DeflateState());
  if (!state) return {0, deflate::kNoMemory};
  return deflate::RunDeflate(*state, level, generalPurposeFlags, streams, outputBuffer,
                             outputBufferSize, true);
}

}  // namespace norda::zip
