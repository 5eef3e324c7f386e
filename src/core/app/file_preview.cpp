#include "core/app/file_preview.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "os/code_page.h"
#include "os/file.h"
#include "os/files.h"

namespace norda {
namespace {

constexpr std::size_t kTextTestBytes = 100;
constexpr int kAllowedUnprintable = 4;
constexpr std::size_t kDumpLineBytes = 16;

bool IsPrintable(unsigned char byte) { return byte >= 32 && byte <= 126; }

bool IsUnprintable(unsigned char byte) {
  return !IsPrintable(byte) && !(byte >= 9 && byte <= 13);
}

}  // namespace

std::vector<ReportFile*> ExistingReportFiles(const std::vector<std::unique_ptr<ReportFile>>& files) {
  std::vector<ReportFile*> rows;
  for (const auto& file : files) {
    if (file && os::PathExists(file->path)) rows.push_back(file.get());
  }
  return rows;
}

void ApplySendChoices(const std::vector<ReportFile*>& rows, const std::vector<bool>& checked) {
  const std::size_t count = std::min(rows.size(), checked.size());
  for (std::size_t i = 0; i < count; ++i) rows[i]->sendFlag = checked[i] ? 1 : 0;
}

bool LooksLikeText(const unsigned char* data, std::size_t size) {
  const std::size_t tested = std::min(size, kTextTestBytes);
  int unprintable = 0;
  for (std::size_t i = 0; i < tested; ++i) {
    if (IsUnprintable(data[i]) && ++unprintable > kAllowedUnprintable) return false;
  }
  return true;
}

std::string HexDump(const unsigned char* data, std::size_t size) {
  std::string out;
  const std::size_t lines = (size + kDumpLineBytes - 1) / kDumpLineBytes;
  out.reserve((lines + 1) * 80);
  for (std::size_t line = 0; line < lines; ++line) {
    unsigned char bytes[kDumpLineBytes] = {};
    const std::size_t offset = line * kDumpLineBytes;
    std::copy_n(data + offset, std::min(kDumpLineBytes, size - offset), bytes);
    char text[80];
    int n = std::snprintf(text, sizeof text, "0x%08x: ", static_cast<unsigned>(offset));
    for (std::size_t group = 0; group < 4; ++group) {
      const unsigned char* b = bytes + group * 4;
      const std::uint32_t value = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
      n += std::snprintf(text + n, sizeof text - n, "%08x ", static_cast<unsigned>(value));
    }
    out.append(text, static_cast<std::size_t>(n));
    for (unsigned char byte : bytes) out += IsPrintable(byte) ? static_cast<char>(byte) : '.';
    out += "\r\n";
  }
  out += "\r\n";
  return out;
}

FilePreview ReadFilePreview(const std::u16string& path) {
  FilePreview preview;
  os::File file = os::File::OpenForReading(path, os::Share::None);
  if (!file.IsOpen()) return preview;
  const std::optional<std::uint64_t> size = file.Size();
  if (!size || *size == 0) return preview;
  const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(*size, kPreviewLimit));
  std::vector<unsigned char> buffer(wanted, 0);
  std::size_t read = 0;
  while (read < wanted) {
    const std::optional<std::size_t> n = file.Read(buffer.data() + read, wanted - read);
    if (!n) return preview;
    if (*n == 0) break;
    read += *n;
  }
  if (read == 0) return preview;
  if (LooksLikeText(buffer.data(), read)) {
    const auto* begin = reinterpret_cast<const char*>(buffer.data());
    const std::size_t length = std::find(begin, begin + read, '\0') - begin;
    preview.kind = FilePreview::Kind::Text;
    preview.text = os::ToUtf16(std::string_view(begin, length), os::AnsiCodePage());
  } else {
    preview.kind = FilePreview::Kind::Dump;
    const std::string dump = HexDump(buffer.data(), read);
    preview.text.assign(dump.begin(), dump.end());
  }
  return preview;
}

}  // namespace norda
