// The version resource of an executable file.
#pragma once

#include <cstdint>
#include <string>

namespace os {

struct VersionResource {
  // The fixed file information, as the resource stores it.
  std::uint32_t fileVersionMS = 0, fileVersionLS = 0;
  std::uint32_t productVersionMS = 0, productVersionLS = 0;
  std::uint32_t fileFlags = 0, fileOS = 0, fileType = 0, fileSubtype = 0;
  // String values of the resource's first translation; empty when absent.
  std::u16string companyName, fileDescription, productName;
};

// Reads the resource. False (and nothing filled) when the file is missing, has
// no version resource or no fixed file information; a string value that cannot
// be found only stays empty.
bool ReadVersionResource(const std::u16string& path, VersionResource& resource);

}  // namespace os
