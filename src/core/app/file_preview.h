// What the report contents viewer shows of one file: its rows, and the first
// bytes of a file as text or as a hexadecimal dump.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "core/app/report_session.h"

namespace norda {

// At most this many bytes of a file are previewed.
constexpr std::size_t kPreviewLimit = 65536;

// The files of the list that exist now, in list order: one row each.
std::vector<ReportFile*> ExistingReportFiles(const std::vector<std::unique_ptr<ReportFile>>& files);

// Writes the rows' check states back into their files' send flags; files
// without a row keep theirs. checked[i] belongs to rows[i].
void ApplySendChoices(const std::vector<ReportFile*>& rows, const std::vector<bool>& checked);

// Text unless the first 100 bytes hold more than four bytes outside 32..126
// that are not tab, line feed, vertical tab, form feed or carriage return.
bool LooksLikeText(const unsigned char* data, std::size_t size);

// Lines of 16 bytes: "0x%08x: ", four little-endian 32-bit groups "%08x ",
// the 16 bytes as characters ('.' outside 32..126), CR LF; the last line padded
// with zero bytes; one more CR LF after the last line.
std::string HexDump(const unsigned char* data, std::size_t size);

struct FilePreview {
  enum class Kind { Nothing, Text, Dump };
  Kind kind = Kind::Nothing;
  std::u16string text;
};

// Reads the first kPreviewLimit bytes of the file, allowing no one else in
// meanwhile. A missing, locked, unreadable or empty file shows nothing. Text is
// taken up to its first zero byte, in the system's ANSI code page.
FilePreview ReadFilePreview(const std::u16string& path);

}  // namespace norda
