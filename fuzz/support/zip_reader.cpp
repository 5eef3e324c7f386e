#include "support/zip_reader.h"

#include <zlib.h>

#include "support/zlib_peer.h"

namespace fuzz {
namespace {

// APPNOTE 4.3.7, 4.3.12, 4.3.16. A memory archive goes back to each local
// header, so a data descriptor (4.3.9) is a fault here.
constexpr std::uint32_t kLocalHeader = 0x04034B50;
constexpr std::uint32_t kCentralHeader = 0x02014B50;
constexpr std::uint32_t kEndRecord = 0x06054B50;
constexpr std::size_t kLocalHeaderBytes = 30;
constexpr std::size_t kCentralHeaderBytes = 46;
constexpr std::size_t kEndRecordBytes = 22;

class Bytes {
 public:
  Bytes(std::string_view all, std::size_t at) : all_(all), at_(at) {}
  bool Has(std::size_t n) const { return at_ <= all_.size() && all_.size() - at_ >= n; }
  std::uint16_t U16(std::size_t offset) const {
    return static_cast<std::uint16_t>(Byte(offset) | Byte(offset + 1) << 8);
  }
  std::uint32_t U32(std::size_t offset) const {
    return U16(offset) | static_cast<std::uint32_t>(U16(offset + 2)) << 16;
  }
  std::string_view Text(std::size_t offset, std::size_t n) const { return all_.substr(at_ + offset, n); }

 private:
  unsigned Byte(std::size_t offset) const { return static_cast<unsigned char>(all_[at_ + offset]); }
  std::string_view all_;
  std::size_t at_;
};

std::uint32_t Crc32(std::string_view data) {
  return static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

}  // namespace

std::string ReadZip(std::string_view archive, std::vector<ZipReadEntry>& entries) {
  entries.clear();
  if (archive.size() < kEndRecordBytes) return "shorter than an end record";
  const std::size_t endAt = archive.size() - kEndRecordBytes;
  const Bytes end(archive, endAt);
  if (end.U32(0) != kEndRecord) return "no end record at the end";
  if (end.U16(4) != 0 || end.U16(6) != 0) return "a disk number";
  if (end.U16(8) != end.U16(10)) return "entry counts differ";
  if (end.U16(20) != 0) return "an archive comment";
  const std::size_t count = end.U16(10);
  const std::size_t directorySize = end.U32(12);
  const std::size_t directoryAt = end.U32(16);
  if (directoryAt > endAt || endAt - directoryAt != directorySize) {
    return "the directory does not end at the end record";
  }

  std::size_t central = directoryAt;
  std::size_t nextLocal = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const Bytes c(archive, central);
    if (central + kCentralHeaderBytes > endAt || c.U32(0) != kCentralHeader) {
      return "a central header is missing";
    }
    ZipReadEntry entry;
    entry.versionMadeBy = c.U16(4);
    entry.versionNeeded = c.U16(6);
    entry.flags = c.U16(8);
    entry.method = c.U16(10);
    const std::uint32_t dosTime = c.U32(12);
    const std::uint32_t crc = c.U32(16);
    const std::size_t packed = c.U32(20);
    const std::size_t size = c.U32(24);
    const std::size_t nameBytes = c.U16(28);
    const std::size_t extraBytes = c.U16(30);
    const std::size_t commentBytes = c.U16(32);
    if (c.U16(34) != 0) return "a disk number in a central header";
    entry.externalAttributes = c.U32(38);
    const std::size_t localAt = c.U32(42);
    const std::size_t recordBytes = kCentralHeaderBytes + nameBytes + extraBytes + commentBytes;
    if (central + recordBytes > endAt) return "a central header runs past the directory";
    entry.name = std::string(c.Text(kCentralHeaderBytes, nameBytes));
    central += recordBytes;

    if (localAt != nextLocal) return "a gap or overlap before a local header";
    const Bytes l(archive, localAt);
    if (!l.Has(kLocalHeaderBytes) || l.U32(0) != kLocalHeader) return "a local header is missing";
    if (l.U16(4) != entry.versionNeeded || l.U16(6) != entry.flags || l.U16(8) != entry.method ||
        l.U32(10) != dosTime) {
      return "local and central headers differ";
    }
    if (l.U32(14) != crc || l.U32(18) != packed || l.U32(22) != size) {
      return "local and central sizes or CRC differ";
    }
    const std::size_t localName = l.U16(26);
    const std::size_t localExtra = l.U16(28);
    if (!l.Has(kLocalHeaderBytes + localName + localExtra) ||
        l.Text(kLocalHeaderBytes, localName) != entry.name) {
      return "local and central names differ";
    }
    const std::size_t dataAt = localAt + kLocalHeaderBytes + localName + localExtra;
    if (dataAt > directoryAt || directoryAt - dataAt < packed) return "data runs into the directory";
    const std::string_view data = archive.substr(dataAt, packed);
    nextLocal = dataAt + packed;

    if (entry.method == 0) {
      if (packed != size) return "a stored entry's sizes differ";
      entry.data = std::string(data);
    } else if (entry.method == 8) {
      const std::string problem = norda::test::InflateRaw(data, entry.data);
      if (!problem.empty()) return "inflate: " + problem;
      if (entry.data.size() != size) return "inflated size differs from the header";
    } else {
      return "an unknown method";
    }
    if (Crc32(entry.data) != crc) return "CRC-32 differs";
    entries.push_back(std::move(entry));
  }
  if (central != endAt) return "bytes between the directory and the end record";
  if (nextLocal != directoryAt) return "bytes between the last entry and the directory";
  return {};
}

}  // namespace fuzz
