// One archive being written: its output (file, duplicated handle or memory),
// the output primitives, the entries added so far and the working buffer.
// The writer alone moves the archive's end: every byte goes out through it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
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

  // Writes at the archive's end (one write: memory grows as needed, a file
  // or handle gets one system write) and moves the end past the bytes that
  // were written; returns their count.
  std::size_t Append(const void* data, std::size_t size);
  std::size_t Append(const std::string& bytes) { return Append(bytes.data(), bytes.size()); }
  // The central directory's way: the end moves past all of bytes, written
  // whole or not; with write false (after a failed record) nothing is tried.
  // True when the bytes were written whole.
  bool AppendCounted(const std::string& bytes, bool write);
  // Writes bytes over the archive at position (from the origin), then goes
  // back to the end, which stays where it was: SeekFailed or WriteFailed
  // when that fails.
  ZipResult Overwrite(std::uint64_t position, const std::string& bytes);
  // Puts the output position back at the end (a failed entry may have left
  // it short). A failure is kept in the stored error.
  bool SeekToEnd() { return SeekTo(written_); }

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
  // Bytes of the archive so far, and the archive offset at which the next
  // byte lands.
  std::uint64_t Written() const { return written_; }
  std::uint64_t EndOffset() const { return origin_ + written_; }
  bool HasMemory() const { return memory_ != nullptr; }
  const std::uint8_t* MemoryData() const { return memory_; }

  // Kept by a failed write or seek; once set, adds are refused.
  ZipResult StoredError() const { return storedError_; }
  // Whether the central directory has been written.
  bool Ended() const { return ended_; }
  void MarkEnded() { ended_ = true; }

  // The records of the entries added so far, for the central directory.
  const std::vector<ZipEntryRecord>& Entries() const { return entries_; }
  void AddEntryRecord(ZipEntryRecord record) { entries_.push_back(std::move(record)); }
  void FreeEntryRecords();

  // The working buffer: chunks of stored data, the compressor's output.
  std::uint8_t* Buffer() { return buffer_; }

 private:
  ZipWriter() = default;
  bool GrowMemory(std::uint64_t needed);
  // One write at the current output position: the count written.
  std::size_t Write(const void* data, std::size_t size);
  // Moves the output position to origin + position. A failure is kept in the
  // stored error (SeekFailed, MemoryTooSmall or NotInitialised).
  bool SeekTo(std::uint64_t position);

  ZipResult storedError_ = ZipResult::Ok;
  bool ended_ = false;
  std::uint64_t written_ = 0;
  std::vector<ZipEntryRecord> entries_;
  std::uint8_t buffer_[kWorkingBufferSize];

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
