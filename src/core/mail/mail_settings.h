// The downloaded mail settings: the sender records (SMTP server, login,
// sender address) and the receiver records (report address, display names),
// kept in two process-wide lists that only grow. Each settings file is plain
// 8-bit text, one record per line, fields separated by spaces.
#pragma once

#include <string>
#include <vector>

namespace norda {

struct SendInfo {
  std::u16string SmtpAddr;
  std::u16string Account;
  std::u16string Password;
  std::u16string Sendfrom;
};

struct ReciverInfo {
  std::u16string Sendto;
  std::u16string SenderName;
  std::u16string ReceiverName;
};

struct MailSettings {
  std::vector<SendInfo> sendInfos;
  std::vector<ReciverInfo> reciverInfos;

  // The lists of the process: empty at start, appended to by the readers,
  // kept until exit.
  static MailSettings& Instance();
};

constexpr char16_t kTagReadMailSendInfoFailed[] = u"ReadMailSendInfoFailed!";
constexpr char16_t kTagReadMailReciverInfoFailed[] = u"ReadMailReciverInfoFailed!";
constexpr char16_t kTagGetSendInfoFailed[] = u"GetSendInfoFailed!";
constexpr char16_t kTagGetReciverInfoFailed[] = u"getReciverInfoFailed!";

// Appends one sender record per line of the file. True when the sender list
// holds a record afterwards (also one from an earlier call).
bool ReadMailSendInfo(const std::u16string& path);
// The same for a receiver settings file and the receiver list.
bool ReadMailReciverInfo(const std::u16string& path);

// The four fields of a sender record picked at random (the generator seeded
// with the time in seconds). Only called when the list is not empty.
void GetSendInfo(std::u16string& smtpAddr, std::u16string& account, std::u16string& password,
                 std::u16string& sendfrom);
// The three fields of the first receiver record. Only called when the list
// is not empty.
void GetReciverInfo(std::u16string& sendto, std::u16string& senderName,
                    std::u16string& receiverName);

// One line's fields, split from the right into holders that keep their values
// from the previous line (see mail_settings.cpp). Exposed for the readers' tests.
void SplitSettingsLine(std::u16string line, std::vector<std::u16string>& holders);

}  // namespace norda
