#include "core/mail/mail_settings.h"

#include <cstdlib>
#include <ctime>

#include "core/mail/send_error_log.h"
#include "core/support/text.h"
#include "os/file.h"

namespace norda {
namespace {

// Calls onLine with every line of the file, each byte widened to one
// character (the files are ASCII; no multi-byte decoding). Lines end with LF
// or CR LF; the last may lack its end. False when the file cannot be opened.
template <typename OnLine>
bool ForEachLine(const std::u16string& path, OnLine onLine) {
  os::File file = os::File::OpenForReading(path, os::Share::ReadWrite);
  if (!file.IsOpen()) return false;
  char buffer[4096];
  std::u16string line;
  for (;;) {
    const auto n = file.Read(buffer, sizeof buffer);
    if (!n || *n == 0) break;
    for (std::size_t i = 0; i < *n; ++i) {
      const char16_t c = static_cast<unsigned char>(buffer[i]);
      if (c == u'\n') {
        onLine(line);
        line.clear();
      } else {
        line += c;
      }
    }
  }
  if (!line.empty()) onLine(line);
  return true;
}

template <typename Record, typename MakeRecord>
bool ReadSettings(const std::u16string& path, std::size_t fieldCount, const char16_t* tag,
                  std::vector<Record>& list, MakeRecord makeRecord) {
  std::vector<std::u16string> holders(fieldCount);
  const bool opened = ForEachLine(path, [&](const std::u16string& line) {
    SplitSettingsLine(line, holders);
    list.push_back(makeRecord(holders));
  });
  if (!opened || list.empty()) {
    LogSendError(tag);
    return false;
  }
  return true;
}

}  // namespace

MailSettings& MailSettings::Instance() {
  static MailSettings settings;
  return settings;
}

// Fields are found from the right: the word after the line's last space is
// the last field, the word before the next space to the left the field before
// it, and so on; whatever is left of the second field's space, spaces and all,
// is the first field. A line that runs out of spaces early fills only its
// rightmost fields (its leftmost word going into the field left of the last
// split), and the fields it does not reach keep the previous line's values.
void SplitSettingsLine(std::u16string line, std::vector<std::u16string>& holders) {
  line = Trim(line);
  for (std::size_t field = holders.size() - 1; field > 0; --field) {
    const std::size_t space = line.rfind(u' ');
    if (space == std::u16string::npos) break;
    holders[field] = Trim(std::u16string_view(line).substr(space + 1));
    line = Trim(std::u16string_view(line).substr(0, space));
    holders[field - 1] = line;
  }
}

bool ReadMailSendInfo(const std::u16string& path) {
  return ReadSettings(path, 4, kTagReadMailSendInfoFailed, MailSettings::Instance().sendInfos,
                      [](const std::vector<std::u16string>& f) {
                        return SendInfo{f[0], f[1], f[2], f[3]};
                      });
}

bool ReadMailReciverInfo(const std::u16string& path) {
  return ReadSettings(path, 3, kTagReadMailReciverInfoFailed,
                      MailSettings::Instance().reciverInfos,
                      [](const std::vector<std::u16string>& f) {
                        return ReciverInfo{f[0], f[1], f[2]};
                      });
}

void GetSendInfo(std::u16string& smtpAddr, std::u16string& account, std::u16string& password,
                 std::u16string& sendfrom) {
  const std::vector<SendInfo>& list = MailSettings::Instance().sendInfos;
  if (list.empty()) return;
  // Several sender lines share the load: a fresh pick on every send.
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  const SendInfo& info = list[static_cast<std::size_t>(std::rand()) % list.size()];
  smtpAddr = info.SmtpAddr;
  account = info.Account;
  password = info.Password;
  sendfrom = info.Sendfrom;
  if (smtpAddr.empty() || account.empty() || password.empty() || sendfrom.empty()) {
    LogSendError(kTagGetSendInfoFailed);
  }
}

void GetReciverInfo(std::u16string& sendto, std::u16string& senderName,
                    std::u16string& receiverName) {
  const std::vector<ReciverInfo>& list = MailSettings::Instance().reciverInfos;
  if (list.empty()) return;
  const ReciverInfo& info = list.front();
  sendto = info.Sendto;
  senderName = info.SenderName;
  receiverName = info.ReceiverName;
  if (sendto.empty() || senderName.empty() || receiverName.empty()) {
    LogSendError(kTagGetReciverInfoFailed);
  }
}

}  // namespace norda
