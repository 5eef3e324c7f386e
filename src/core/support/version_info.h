// The version information of an executable, read once at construction. The
// error report dialog names the failed application after it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace norda {

struct FourPartVersion {
  std::uint16_t major = 0, minor = 0, build = 0, revision = 0;
};

class VersionInfo {
 public:
  // Reads the file's version resource. A file without one (or a missing file)
  // leaves every field empty; there is no error result.
  explicit VersionInfo(const std::u16string& path);

  // Fill buffer (capacity units) with zeros, then copy at most capacity - 2
  // characters and a terminator. False only when no buffer is given.
  bool GetFileDescription(char16_t* buffer, std::size_t capacity) const;
  bool GetProductName(char16_t* buffer, std::size_t capacity) const;
  bool GetCompanyName(char16_t* buffer, std::size_t capacity) const;

  const std::u16string& FilePath() const { return path_; }
  const std::u16string& FileDescription() const { return fileDescription_; }
  const std::u16string& ProductName() const { return productName_; }
  const std::u16string& CompanyName() const { return companyName_; }
  FourPartVersion FileVersion() const { return fileVersion_; }
  FourPartVersion ProductVersion() const { return productVersion_; }
  std::uint32_t FileFlags() const { return fileFlags_; }
  std::uint32_t FileOS() const { return fileOS_; }
  std::uint32_t FileType() const { return fileType_; }
  std::uint32_t FileSubtype() const { return fileSubtype_; }

  // Longest path and text kept; longer ones are cut.
  static constexpr std::size_t kMaxPath = 518;
  static constexpr std::size_t kMaxText = 519;

 private:
  std::u16string path_;
  std::u16string companyName_, productName_, fileDescription_;
  FourPartVersion fileVersion_, productVersion_;
  std::uint32_t fileFlags_ = 0, fileOS_ = 0, fileType_ = 0, fileSubtype_ = 0;
};

}  // namespace norda
