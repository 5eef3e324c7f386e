#include "core/zip/zip_records.h"

namespace norda::zip {
namespace {

// Every integer in the archive is little-endian (APPNOTE 4.4.1.1).
void Put16(std::string& out, std::uint32_t value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

void Put32(std::string& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

}  // namespace

std::string LocalTimeExtra(std::uint32_t modified, std::uint32_t accessed, std::uint32_t created) {
  std::string extra;
  Put16(extra, kTimeExtraTag);
  Put16(extra, kLocalTimeExtraSize - 4);
  extra.push_back(static_cast<char>(kTimeExtraFlags));
  Put32(extra, modified);
  Put32(extra, accessed);
  Put32(extra, created);
  return extra;
}

std::string CentralTimeExtra(std::uint32_t modified) {
  // The central copy carries the flags of the local one but only the
  // modification time.
  std::string extra;
  Put16(extra, kTimeExtraTag);
  Put16(extra, kCentralTimeExtraSize - 4);
  extra.push_back(static_cast<char>(kTimeExtraFlags));
  Put32(extra, modified);
  return extra;
}

std::string LocalHeaderBytes(const ZipEntryRecord& r) {
  std::string out;
  out.reserve(kLocalHeaderSize + r.name.size() + r.localExtra.size());
  Put32(out, kLocalHeaderSignature);
  Put16(out, r.versionNeeded);
  Put16(out, r.localFlags);
  Put16(out, r.method);
  Put32(out, r.dosDateTime);
  Put32(out, r.crc);
  Put32(out, r.compressedSize);
  Put32(out, r.uncompressedSize);
  Put16(out, static_cast<std::uint32_t>(r.name.size()));
  Put16(out, static_cast<std::uint32_t>(r.localExtra.size()));
  out += r.name;
  out += r.localExtra;
  return out;
}

std::string DataDescriptorBytes(const ZipEntryRecord& r) {
  std::string out;
  Put32(out, kDataDescriptorSignature);
  Put32(out, r.crc);
  Put32(out, r.compressedSize);
  Put32(out, r.uncompressedSize);
  return out;
}

std::string CentralEntryBytes(const ZipEntryRecord& r) {
  std::string out;
  out.reserve(kCentralEntrySize + r.name.size() + r.centralExtra.size() + r.comment.size());
  Put32(out, kCentralEntrySignature);
  Put16(out, r.versionMadeBy);
  Put16(out, r.versionNeeded);
  Put16(out, r.flags);
  Put16(out, r.method);
  Put32(out, r.dosDateTime);
  Put32(out, r.crc);
  Put32(out, r.compressedSize);
  Put32(out, r.uncompressedSize);
  Put16(out, static_cast<std::uint32_t>(r.name.size()));
  Put16(out, static_cast<std::uint32_t>(r.centralExtra.size()));
  Put16(out, static_cast<std::uint32_t>(r.comment.size()));
  Put16(out, r.diskNumberStart);
  Put16(out, r.internalAttributes);
  Put32(out, r.externalAttributes);
  Put32(out, r.localHeaderOffset);
  out += r.name;
  out += r.centralExtra;
  out += r.comment;
  return out;
}

std::string EndRecordBytes(std::uint16_t entries, std::uint32_t directorySize, std::uint32_t directoryOffset) {
  std::string out;
  Put32(out, kEndRecordSignature);
  Put16(out, 0);  // number of this disk
  Put16(out, 0);  // disk where the central directory starts
  Put16(out, entries);
  Put16(out, entries);
  Put32(out, directorySize);
  Put32(out, directoryOffset);
  Put16(out, 0);  // comment length
  return out;
}

}  // namespace norda::zip
