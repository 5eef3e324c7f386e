// The archive's records as bytes: local header, data descriptor, central
// directory entry, end of central directory, and the "UT" time extra fields.
#pragma once

#include <cstdint>
#include <string>

namespace norda::zip {

// Signatures (APPNOTE 4.3.7, 4.3.9.3, 4.3.12, 4.3.16).
constexpr std::uint32_t kLocalHeaderSignature = 0x04034B50;
constexpr std::uint32_t kDataDescriptorSignature = 0x08074B50;
constexpr std::uint32_t kCentralEntrySignature = 0x02014B50;
constexpr std::uint32_t kEndRecordSignature = 0x06054B50;

// Fixed parts of the records, without names and extra fields.
constexpr std::uint32_t kLocalHeaderSize = 30;
constexpr std::uint32_t kDataDescriptorSize = 16;
constexpr std::uint32_t kCentralEntrySize = 46;
constexpr std::uint32_t kEndRecordSize = 22;

// Version made by: high byte 11, low byte 23 (APPNOTE 4.4.2).
constexpr std::uint16_t kVersionMadeBy = 0x0B17;
// Version needed to extract: 2.0, deflate and folders (APPNOTE 4.4.3.2).
constexpr std::uint16_t kVersionNeeded = 20;
// General purpose flag bit 3: CRC and sizes follow in a data descriptor (APPNOTE 4.4.4).
constexpr std::uint16_t kFlagDataDescriptor = 0x0008;
constexpr std::uint16_t kFlagEncrypted = 0x0001;
constexpr std::uint16_t kMethodStored = 0;
constexpr std::uint16_t kMethodDeflated = 8;

// The extended timestamp extra field, "UT" (APPNOTE 4.6.1 lists it): a flag
// byte (7: modification, access and creation time present) and 32-bit Unix times.
constexpr std::uint16_t kTimeExtraTag = 0x5455;
constexpr std::uint8_t kTimeExtraFlags = 7;
constexpr std::uint32_t kLocalTimeExtraSize = 17;   // 4 header + 1 flags + 3 times
constexpr std::uint32_t kCentralTimeExtraSize = 9;  // 4 header + 1 flags + modification time

struct ZipEntryRecord {
  std::uint16_t versionMadeBy = kVersionMadeBy;
  std::uint16_t versionNeeded = kVersionNeeded;
  std::uint16_t flags = kFlagDataDescriptor;
  std::uint16_t method = kMethodDeflated;
  std::uint32_t dosDateTime = 0;  // date in the high half, time in the low half
  std::uint32_t crc = 0;
  std::uint32_t compressedSize = 0;
  std::uint32_t uncompressedSize = 0;
  std::uint16_t diskNumberStart = 0;
  std::uint16_t internalAttributes = 0;
  std::uint16_t localFlags = kFlagDataDescriptor;  // the flags as the local header carries them
  std::uint32_t externalAttributes = 0;
  std::uint32_t localHeaderOffset = 0;
  std::string name;  // converted, with "/" separators
  std::string localExtra;
  std::string centralExtra;
  std::string comment;  // always empty
};

std::string LocalTimeExtra(std::uint32_t modified, std::uint32_t accessed, std::uint32_t created);
std::string CentralTimeExtra(std::uint32_t modified);

std::string LocalHeaderBytes(const ZipEntryRecord& record);
std::string DataDescriptorBytes(const ZipEntryRecord& record);
std::string CentralEntryBytes(const ZipEntryRecord& record);
std::string EndRecordBytes(std::uint16_t entries, std::uint32_t directorySize, std::uint32_t directoryOffset);

}  // namespace norda::zip
