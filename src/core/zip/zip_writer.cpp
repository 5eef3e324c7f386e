#include "core/zip/zip_writer.h"

#include <cstring>
#include <string>
#include <utility>

#include "os/file_time.h"

namespace norda::zip {

std::unique_ptr<ZipWriter> ZipWriter::Open(const void* target, std::uint32_t length, TargetKind kind,
                                           ZipResult& result) {
  // Entry times are local times: follow a time-zone change made since start.
  os::ReloadTimeZone();
  std::unique_ptr<ZipWriter> zip(new ZipWriter());
  switch (kind) {
    case TargetKind::Handle: {
      zip->duplicate_ = os::OwnedHandle::Duplicate(reinterpret_cast<os::NativeHandle>(target));
      if (!zip->duplicate_.IsOpen()) {
        result = ZipResult::DuplicateFailed;
        return nullptr;
      }
      zip->output_ = zip->duplicate_.Get();
      zip->canSeek_ = os::IsDiskFile(zip->output_);
      if (zip->canSeek_) {
        // The archive may begin in the middle of a file: offsets count from there.
        const std::optional<std::uint64_t> position = os::HandlePosition(zip->output_);
        if (!position) {
          result = ZipResult::SeekFailed;
          return nullptr;
        }
        if (!FitsInArchive(*position)) {
          result = ZipResult::BadArguments;
          return nullptr;
        }
        zip->origin_ = *position;
      }
      break;
    }
    case TargetKind::FileName: {
      const auto* path = static_cast<const char16_t*>(target);
      if (path == nullptr || *path == u'\0') {
        result = ZipResult::BadArguments;
        return nullptr;
      }
      zip->file_ = os::File::CreateForWriting(path);
      if (!zip->file_.IsOpen()) {
        result = ZipResult::OpenFailed;
        return nullptr;
      }
      zip->output_ = zip->file_.NativeHandle();
      zip->canSeek_ = true;
      break;
    }
    case TargetKind::Memory: {
      if (length == 0) {
        result = ZipResult::MemoryTooSmall;
        return nullptr;
      }
      if (target != nullptr) {
        zip->memory_ = static_cast<std::uint8_t*>(const_cast<void*>(target));
      } else {
        zip->mapping_ = os::AnonymousMemory::Create(length);
        if (!zip->mapping_.IsValid()) {
          result = ZipResult::AllocFailed;
          return nullptr;
        }
        zip->memory_ = zip->mapping_.Data();
      }
      zip->memorySize_ = length;
      zip->canSeek_ = true;
      break;
    }
    default:
      result = ZipResult::BadArguments;
      return nullptr;
  }
  zip->hasOutput_ = kind != TargetKind::Memory;
  result = ZipResult::Ok;
  return zip;
}

std::size_t ZipWriter::Write(const void* data, std::size_t size) {
  if (memory_ != nullptr) {
    // Grow before a write reaches the end, so the position stays inside.
    if (memoryPosition_ + static_cast<std::uint64_t>(size) >= memorySize_ &&
        !GrowMemory(memoryPosition_ + static_cast<std::uint64_t>(size))) {
      return 0;
    }
    std::memcpy(memory_ + memoryPosition_, data, size);
    memoryPosition_ += size;
    return size;
  }
  if (!hasOutput_) {
    storedError_ = ZipResult::NotInitialised;
    return 0;
  }
  return os::WriteOnce(output_, data, size);
}

bool ZipWriter::GrowMemory(std::uint64_t needed) {
  std::uint64_t size = 2 * static_cast<std::uint64_t>(memorySize_);
  if (needed > size) size = needed;
  if (size > static_cast<std::size_t>(-1)) return false;
  os::AnonymousMemory larger = os::AnonymousMemory::Create(static_cast<std::size_t>(size));
  if (!larger.IsValid()) return false;
  std::memcpy(larger.Data(), memory_, memorySize_);
  // The old memory goes only if it is ours; a caller's buffer stays the caller's.
  mapping_ = std::move(larger);
  memory_ = mapping_.Data();
  memorySize_ = mapping_.Size();
  return true;
}

bool ZipWriter::SeekTo(std::uint64_t position) {
  if (memory_ != nullptr) {
    // The very end is a valid place: the next write grows the memory.
    if (position > memorySize_) {
      storedError_ = ZipResult::MemoryTooSmall;
      return false;
    }
    memoryPosition_ = static_cast<std::size_t>(position);
    return true;
  }
  if (!hasOutput_) {
    storedError_ = ZipResult::NotInitialised;
    return false;
  }
  if (!canSeek_ || !os::SeekHandle(output_, origin_ + position)) {
    storedError_ = ZipResult::SeekFailed;
    return false;
  }
  return true;
}

std::size_t ZipWriter::Append(const void* data, std::size_t size) {
  const std::size_t n = Write(data, size);
  written_ += n;
  return n;
}

bool ZipWriter::AppendCounted(const std::string& bytes, bool write) {
  const bool whole = write && Write(bytes.data(), bytes.size()) == bytes.size();
  written_ += bytes.size();
  return whole;
}

ZipResult ZipWriter::Overwrite(std::uint64_t position, const std::string& bytes) {
  if (!SeekTo(position)) return ZipResult::SeekFailed;
  const bool whole = Write(bytes.data(), bytes.size()) == bytes.size();
  if (!SeekTo(written_)) return ZipResult::SeekFailed;
  return whole ? ZipResult::Ok : ZipResult::WriteFailed;
}

void ZipWriter::FreeEntryRecords() {
  entries_.clear();
  entries_.shrink_to_fit();
}

bool ZipWriter::RewindTo(std::uint64_t position) {
  if (!SeekTo(position)) return false;
  written_ = position;
  mayHaveTail_ = true;
  return true;
}

bool ZipWriter::CutTail() {
  // Memory has no tail: its archive is the bytes written, however large the buffer.
  if (!mayHaveTail_ || memory_ != nullptr) return true;
  return hasOutput_ && os::TruncateAtPosition(output_);
}

void ZipWriter::Release() {
  mapping_.Release();
  memory_ = nullptr;
  memorySize_ = 0;
  memoryPosition_ = 0;
  file_.Close();
  duplicate_.Close();
  hasOutput_ = false;
}

}  // namespace norda::zip
