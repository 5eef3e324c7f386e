// Whole-file operations and file attributes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace os {

// File attribute bits, as Windows numbers them; Linux reports the nearest
// meaning (src/os/posix/README.md).
constexpr std::uint32_t kAttrReadOnly = 0x01;
constexpr std::uint32_t kAttrHidden = 0x02;
constexpr std::uint32_t kAttrSystem = 0x04;
constexpr std::uint32_t kAttrDirectory = 0x10;
constexpr std::uint32_t kAttrArchive = 0x20;
constexpr std::uint32_t kAttrNormal = 0x80;
constexpr std::uint32_t kInvalidAttributes = 0xFFFFFFFFu;

// True when a file or folder exists at path.
bool PathExists(const std::u16string& path);
// True when a folder exists at path.
bool FolderExists(const std::u16string& path);

// Copies a file, replacing an existing target.
bool CopyFileReplacing(const std::u16string& from, const std::u16string& to);

// Deletes a file (not a folder).
bool RemoveFile(const std::u16string& path);

// The attributes of a file or folder, kInvalidAttributes when it cannot be read.
std::uint32_t FileAttributesOf(const std::u16string& path);
bool SetFileAttributesTo(const std::u16string& path, std::uint32_t attributes);

// Size of a file opened for reading with no sharing: nothing when the file is
// missing, cannot be opened that way (another handle holds it) or its size
// cannot be read.
std::optional<std::uint64_t> ExclusiveReadSize(const std::u16string& path);

// Reads a whole file into bytes; false when it cannot be opened or read.
bool ReadWholeFile(const std::u16string& path, std::string& bytes);

// Replaces a file with the given bytes, whole or not at all: the bytes go to
// a new file beside it (path + kWritingSuffix), which then takes the old
// one's place. So a disk that fills up, or a failing write, leaves the old
// file as it was instead of cut short. False, with nothing changed, when the
// file is read-only or held by another, or the new file cannot be created
// (a folder that takes no new files) or written completely.
bool WriteWholeFile(const std::u16string& path, const std::string& bytes);
inline constexpr char16_t kWritingSuffix[] = u".writing";

}  // namespace os
