// An open file, owned: closed when the object goes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace os {

enum class Share { None, Read, ReadWrite };

class File {
 public:
  File() = default;
  ~File() { Close(); }
  File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = kInvalid; }
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // An existing file, for reading, allowing others the given access.
  static File OpenForReading(const std::u16string& path, Share share);
  // A new file for writing (an existing one is replaced), no sharing.
  static File CreateForWriting(const std::u16string& path);
  // A new file for reading and writing (an existing one is replaced), no sharing.
  static File CreateForReadWrite(const std::u16string& path);
  // An existing file for writing, kept as it is, no sharing.
  static File OpenExistingForWriting(const std::u16string& path);

  bool IsOpen() const { return handle_ != kInvalid; }
  // One system read; the count read (0 at the end), or nothing on failure.
  std::optional<std::size_t> Read(void* buffer, std::size_t size);
  // Writes everything or fails.
  bool Write(const void* data, std::size_t size);
  std::optional<std::uint64_t> Size() const;
  void Close();

  // The operating system's handle (HANDLE or file descriptor) as an integer.
  std::intptr_t NativeHandle() const { return handle_; }

 private:
  static constexpr std::intptr_t kInvalid = -1;
  explicit File(std::intptr_t handle) : handle_(handle) {}
  std::intptr_t handle_ = kInvalid;
};

inline File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    other.handle_ = kInvalid;
  }
  return *this;
}

}  // namespace os
