// The mail settings' records as lists of fields, for comparing them whole.
#pragma once

#include <string>
#include <vector>

#include "core/mail/mail_settings.h"

namespace norda::test {

using Fields = std::vector<std::u16string>;

inline std::vector<Fields> SendRecords() {
  std::vector<Fields> records;
  for (const SendInfo& i : MailSettings::Instance().sendInfos) {
    records.push_back({i.SmtpAddr, i.Account, i.Password, i.Sendfrom});
  }
  return records;
}

inline std::vector<Fields> ReciverRecords() {
  std::vector<Fields> records;
  for (const ReciverInfo& i : MailSettings::Instance().reciverInfos) {
    records.push_back({i.Sendto, i.SenderName, i.ReceiverName});
  }
  return records;
}

}  // namespace norda::test
