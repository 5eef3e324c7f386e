// The two mail settings files on any bytes: they come over HTTP from the
// settings server, and an error page is read like a settings file.
// Checks, besides memory safety: one record per line, appended exactly when
// the reader succeeds; a byte per character, no field with white space at
// an end, a blank only in the first; clean records written out read back as
// they were; the picks hand out a stored record (the first receiver).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/mail/mail_settings.h"
#include "core/support/text.h"
#include "support/check.h"
#include "support/mail_records.h"
#include "support/scratch_folder.h"
#include "support/test_files.h"

namespace {

using fuzz::Check;
using norda::test::Fields;
using norda::test::ReciverRecords;
using norda::test::SendRecords;

std::size_t LineCount(const std::string& bytes) {
  std::size_t lines = 0;
  for (char c : bytes) lines += c == '\n';
  if (!bytes.empty() && bytes.back() != '\n') ++lines;
  return lines;
}

void CheckFields(const std::vector<Fields>& records) {
  for (const Fields& fields : records) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
      const std::u16string& f = fields[i];
      Check(f == norda::Trim(f), "a field keeps white space at an end");
      Check(i == 0 || f.find(u' ') == std::u16string::npos, "a field after the first holds a blank");
      for (char16_t c : f) Check(c < 0x100, "a byte became more than one character");
    }
  }
}

// The file's bytes for records: one word per field, blanks between them.
std::string Written(const std::vector<Fields>& records) {
  std::string text;
  for (std::size_t r = 0; r < records.size(); ++r) {
    for (std::size_t i = 0; i < records[r].size(); ++i) {
      text += std::string(1 + (r + i) % 3, ' ');
      for (char16_t c : records[r][i]) text += static_cast<char>(c);
    }
    text += r % 2 ? "  \r\n" : "\n";
  }
  return text;
}

std::vector<Fields> CleanRecords(const std::vector<Fields>& records) {
  std::vector<Fields> clean;
  for (const Fields& fields : records) {
    Fields c;
    for (const std::u16string& f : fields) {
      std::u16string word;
      for (char16_t ch : f) {
        if (!norda::IsWhite(ch) && ch != 0x1A) word += ch;
      }
      c.push_back(word.empty() ? u"-" : word);
    }
    clean.push_back(std::move(c));
  }
  return clean;
}

template <typename Read, typename Records>
void CheckReader(const std::u16string& path, const std::string& bytes, Read read, Records records) {
  norda::MailSettings::Instance() = norda::MailSettings{};
  const bool ok = read(path);
  const std::vector<Fields> got = records();
  Check(got.size() == LineCount(bytes), "not one record per line");
  Check(ok == !got.empty(), "the reader's result does not match its records");
  CheckFields(got);

  const std::vector<Fields> clean = CleanRecords(got);
  const std::string text = Written(clean);
  norda::test::WriteBytes(path, text);
  norda::MailSettings::Instance() = norda::MailSettings{};
  read(path);
  Check(records() == clean, "clean records read back changed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const norda::test::ScratchFolder scratch;
  static const std::u16string path = scratch / u"MailSendInfo.log";
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  norda::test::WriteBytes(path, bytes);
  CheckReader(path, bytes, norda::ReadMailSendInfo, SendRecords);
  if (!norda::MailSettings::Instance().sendInfos.empty()) {
    Fields picked(4);
    norda::GetSendInfo(picked[0], picked[1], picked[2], picked[3]);
    bool stored = false;
    for (const Fields& r : SendRecords()) stored = stored || r == picked;
    Check(stored, "GetSendInfo hands out no stored record");
  }

  norda::test::WriteBytes(path, bytes);
  CheckReader(path, bytes, norda::ReadMailReciverInfo, ReciverRecords);
  if (!norda::MailSettings::Instance().reciverInfos.empty()) {
    Fields picked(3);
    norda::GetReciverInfo(picked[0], picked[1], picked[2]);
    Check(picked == ReciverRecords().front(), "GetReciverInfo does not hand out the first record");
  }

  return 0;
}
