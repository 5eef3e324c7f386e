// The mail settings' records as lists of fields, for comparing them whole,
// and the report mail's pieces as they are put.
#pragma once

#include <string>
#include <vector>

#include "core/mail/mail_settings.h"
#include "core/mail/mime_message.h"

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

struct TextSink : PieceSink {
  bool Put(std::string_view piece) override {
    pieces.emplace_back(piece);
    text.append(piece);
    return true;
  }
  std::vector<std::string> pieces;
  std::string text;
};

}  // namespace norda::test
