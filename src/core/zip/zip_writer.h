// One archive being written: its output (file, duplicated handle or memory),
// the output primitives, the entries added so far and the working buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/zip/zip_archive.h"
#include "core/zip/zip_records.h"
#include "core/zip/zip_result.h"
#include "os/file.h"
#include "os/handle.h"
#include "os/memory_map.h"

namespace norda::zip {

// Sources are read, stored data copied and compressed output gathered in
// chunks of this size.
constexpr std::size_t kWorkingBufferSize = 16384;

// Sizes and offsets must stay below this value: the 32-bit fields have no
// room beyond it, and all ones marks ZIP64 values (APPNOTE 4.4.8).
constexpr std::uint64_t kSizeLimit = 0xFFFFFFFFu;
inline bool FitsInArchive(std::uint64_t value) { return value < kSizeLimit; }

class ZipWriter {
 public:
  // Opens the target; on failure returns null and sets result.
  static std::unique_ptr<ZipWriter> Open(const void* target, std::uint32_t length, TargetKind kind,
                                         ZipResult& result);

  // One write at the current output position: the count written. Memory
  // grows as needed (0 when it cannot); a file or handle gets one system
  // write. Does not count towards written(): the callers do.
  std::size_t Write(const void* data, std::size_t size);
  std::size_t Write(const std::string& bytes) { return Write(bytes.data(), bytes.size()); }

  // Moves the output position to origin + position. A failure is kept in the
  // stored error (SeekFailed, MemoryTooSmall or NotInitialised).
  bool SeekTo(std::uint64_t position);

  // Goes back to an offset of the archive (relative to the origin) to write
  // over what a failed entry left there. False (with the stored error set)
  // when the output cannot go back.
  bool RewindTo(std::uint64_t position);
  // Cuts off what lies beyond the archive's end after a rewind: the end
  // record must be the last thing in the output. True when nothing is left.
  bool CutTail();

  // Releases the output: unmaps memory that the writer made, closes handles.
  void Release();

  bool CanSeek() const { return canSeek_; }
  std::uint64_t Origin() const { return origin_; }
  // The archive offset at which the next byte lands.
  std::uint64_t EndOffset() const { return origin_ + written; }
  bool HasMemory() const { return memory_ != nullptr; }
  const std::uint8_t* MemoryData() const { return memory_; }

  ZipResult storedError = ZipResult::Ok;  // once set, adds are refused
  bool ended = false;                     // the central directory has been written
  std::uint64_t written = 0;              // bytes of the archive so far
  std::vector<ZipEntryRecord> entries;
  std::uint8_t buffer[kWorkingBufferSize];

 private:
  ZipWriter() = default;
  bool GrowMemory(std::uint64_t needed);

  // A file or handle target: the file that the writer created, or the
  // duplicate of the caller's handle; output_ is whichever is open.
  os::File file_;
  os::OwnedHandle duplicate_;
  os::NativeHandle output_ = -1;
  bool hasOutput_ = false;

  // A memory target: the caller's buffer or memory of the writer's.
  os::AnonymousMemory mapping_;
  std::uint8_t* memory_ = nullptr;
  std::size_t memorySize_ = 0;
  std::size_t memoryPosition_ = 0;

  bool canSeek_ = false;
  std::uint64_t origin_ = 0;
  bool mayHaveTail_ = false;  // a rewind left bytes of a failed entry beyond the end
};

}  // namespace norda::zip
