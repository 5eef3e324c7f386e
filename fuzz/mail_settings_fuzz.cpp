// The two mail settings files on any bytes: they come over HTTP from the
// settings server, and an error page is read like a settings file.
// Checks, besides memory safety: one record per line, appended exactly when
// the reader succeeds; a byte per character, no field with white space at
// an end, a blank only in the first; the picks hand out a stored record (the
// first receiver).
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

template <typename Read, typename Records>
void CheckReader(const std::u16string& path, const std::string& bytes, Read read, Records records) {
  norda::MailSettings::Instance() = norda::MailSettings{};
  const bool ok = read(path);
  const std::vector<Fields> got = records();
  Check(got.size() == LineCount(bytes), "not one record per line");
  Check(ok == !got.empty(), "the reader's result does not match its records");
  CheckFields(got);
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
