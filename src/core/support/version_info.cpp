#include "core/support/version_info.h"

#include <algorithm>

#include "os/version_resource.h"

namespace norda {
namespace {

FourPartVersion Split(std::uint32_t mostSignificant, std::uint32_t leastSignificant) {
  FourPartVersion v;
  v.major = static_cast<std::uint16_t>(mostSignificant >> 16);
  v.minor = static_cast<std::uint16_t>(mostSignificant & 0xFFFF);
  v.build = static_cast<std::uint16_t>(leastSignificant >> 16);
  v.revision = static_cast<std::uint16_t>(leastSignificant & 0xFFFF);
  return v;
}

std::u16string Cut(std::u16string text, std::size_t limit) {
  if (text.size() > limit) text.resize(limit);
  return text;
}

bool BoundedCopy(const std::u16string& text, char16_t* buffer, std::size_t capacity) {
  if (!buffer) return false;
  std::fill(buffer, buffer + capacity, u'\0');
  if (capacity < 2) return true;
  // The copy's limit of capacity - 1 units counts the terminator.
  const std::size_t count = std::min(text.size(), capacity - 2);
  std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(count), buffer);
  return true;
}

}  // namespace

VersionInfo::VersionInfo(const std::u16string& path) : path_(Cut(path, kMaxPath)) {
  if (path_.empty()) return;
  os::VersionResource resource;
  if (!os::ReadVersionResource(path_, resource)) return;
  fileVersion_ = Split(resource.fileVersionMS, resource.fileVersionLS);
  productVersion_ = Split(resource.productVersionMS, resource.productVersionLS);
  fileFlags_ = resource.fileFlags;
  fileOS_ = resource.fileOS;
  fileType_ = resource.fileType;
  fileSubtype_ = resource.fileSubtype;
  companyName_ = Cut(resource.companyName, kMaxText);
  fileDescription_ = Cut(resource.fileDescription, kMaxText);
  productName_ = Cut(resource.productName, kMaxText);
}

bool VersionInfo::GetFileDescription(char16_t* buffer, std::size_t capacity) const {
  return BoundedCopy(fileDescription_, buffer, capacity);
}

bool VersionInfo::GetProductName(char16_t* buffer, std::size_t capacity) const {
  return BoundedCopy(productName_, buffer, capacity);
}

bool VersionInfo::GetCompanyName(char16_t* buffer, std::size_t capacity) const {
  return BoundedCopy(companyName_, buffer, capacity);
}

}  // namespace norda
