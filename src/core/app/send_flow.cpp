#include "core/app/send_flow.h"

#include <vector>

#include "build_settings.h"
#include "core/app/report_description.h"
#include "core/app/send_record_book.h"
#include "core/app/user_text.h"
#include "core/mail/mail_settings.h"
#include "core/mail/send_error_log.h"
#include "core/mail/settings_download.h"
#include "core/mail/smtp_client.h"
#include "core/mail/split_string.h"
#include "core/support/ini_file.h"
#include "core/support/text.h"
#include "os/code_page.h"
#include "os/file.h"
#include "os/files.h"

namespace norda {
namespace {

// Every text that goes to the mail server is in the thread's code page.
std::string Ansi(const std::u16string& text) { return os::FromUtf16(text, os::ThreadAnsiCodePage()); }

struct Settings {
  std::u16string smtpAddr, account, password, sendfrom;
  std::u16string sendto, senderName, receiverName;
};

void FetchSenderSettings(const std::u16string& temp, const DeliverySecurity& security, Settings& s) {
  const std::u16string path = temp + kSenderSettingsFileName;
  DownloadUrlToFile(SenderSettingsUrl(), path, security);
  if (!ReadMailSendInfo(path)) return;  // a rejected file stays for a look
  GetSendInfo(s.smtpAddr, s.account, s.password, s.sendfrom);
  SendErrorLog& log = SendErrorLog::Instance();
  log.WriteEntry(u"SmtpAddr : ", s.smtpAddr);
  log.WriteEntry(u"Account : ", s.account);
  // Secure delivery keeps the password out of the log as well.
  const bool masked = security.smtp != SmtpSecurity::kNone;
  log.WriteEntry(u"Password : ", masked ? std::u16string(kMaskedPassword) : s.password);
  log.WriteEntry(u"Sendfrom : ", s.sendfrom);
  os::RemoveFile(path);
}

void FetchReceiverSettings(const std::u16string& temp, const DeliverySecurity& security, Settings& s) {
  const std::u16string path = temp + kReceiverSettingsFileName;
  DownloadUrlToFile(ReceiverSettingsUrl(), path, security);
  if (!ReadMailReciverInfo(path)) return;
  GetReciverInfo(s.sendto, s.senderName, s.receiverName);
  SendErrorLog& log = SendErrorLog::Instance();
  log.WriteEntry(u"Sendto : ", s.sendto);
  log.WriteEntry(u"SenderName : ", s.senderName);
  log.WriteEntry(u"ReceiverName : ", s.receiverName);
  os::RemoveFile(path);
}

}  // namespace

bool ReadCrashLogText(const std::u16string& path, std::u16string& text) {
  os::File file = os::File::OpenForReading(path, os::Share::ReadWrite);
  if (!file.IsOpen()) return false;
  std::string bytes(kCrashLogBytes, '\0');
  size_t got = 0;
  bool readFailed = false;
  while (got < bytes.size()) {
    const auto n = file.Read(bytes.data() + got, bytes.size() - got);
    if (!n) {
      readFailed = true;  // what came before the failure still goes into the mail
      break;
    }
    if (*n == 0) break;
    got += *n;
  }
  bytes.resize(got);
  const size_t zero = bytes.find('\0');
  if (zero != std::string::npos) bytes.resize(zero);
  text = os::ToUtf16(bytes, os::ThreadAnsiCodePage());
  return !readFailed;
}

std::u16string ReportMailbox() { return NORDA_REPORT_MAILBOX; }

void RunSendFlow(ReportSession& session, SendFlowView& view, const DeliverySecurity& security) {
  SendErrorLog& log = SendErrorLog::Instance();
  const std::u16string temp = SendTempFolder();
  log.Open(temp + SendErrorLog::kFileName);

  const std::u16string description = view.Description();

  int packedCount = 0;
  session.crashLogText.clear();
  if (os::PathExists(session.descriptionPath)) {
    std::u16string unused;
    packedCount = RecordAndPack(session, false, unused);
    const std::u16string crashLog =
        ReadProfileValue(u"LOGFile", session.descriptionPath, kReportInfoSection);
    if (os::PathExists(crashLog) && !ReadCrashLogText(crashLog, session.crashLogText)) {
      view.ShowCrashLogUnreadable();
    }
  }
  session.packedCount = packedCount;

  if (packedCount == 0 && description.empty()) {
    view.EndDialog(kDialogCancel);
    if (log.OpenFlag()) {
      log.WriteText(u"UserSendNothing!");
      log.Close();
    }
    return;
  }

  Settings settings;
  FetchSenderSettings(temp, security, settings);
  FetchReceiverSettings(temp, security, settings);

  std::u16string subject = ReadProfileValue(u"SUBJECT", session.descriptionPath, kReportInfoSection);
  if (subject.empty()) subject = FileTitle(session.archivePath);
  const std::u16string body = session.crashLogText + u"\r\n" +
                              u"The following is file`s solution status:\r\n " +
                              session.fileStatusText;
  if (os::PathExists(session.archivePath)) session.attachments.push_back(session.archivePath);

  SmtpClient smtp(security);
  if (!smtp.Connect(Ansi(settings.smtpAddr), kSmtpPort)) {
    log.WriteEntry(u"ConnectSmtpFailed!");
    log.WriteEntry(u"Smtp Service Address: ", settings.smtpAddr);
  }
  if (!smtp.Login(Ansi(settings.account), Ansi(settings.password))) {
    log.WriteEntry(u"AccountOrPasswordNotValidate!");
    log.WriteEntry(u"Account: ", settings.account);
  }
  const std::vector<std::string> receivers = SplitString(Ansi(settings.sendto), ",");
  const bool sent = smtp.SendMail(Ansi(settings.sendfrom), receivers, Ansi(settings.senderName),
                                  Ansi(subject), Ansi(body), session.attachments, false);
  if (!sent) log.WriteEntry(u"SmtpSendDataFailed!");

  std::u16string recordSection;
  if (sent) {
    view.ShowSent();
  } else if (description.empty()) {
    view.ShowNotSent(session.archivePath, ReportMailbox());
  } else {
    const std::u16string instructions =
        u"Please Send the Report to us, Follow by the Following Address:\r\n\r\nSend: " +
        session.archivePath + u"\r\n  To:  " + ReportMailbox() + u"\r\n\r\n\r\n" + body;
    const auto userText = WriteUserText(session, instructions);
    RecordUnsentReport(session, userText ? *userText : UserTextPath(session), recordSection);
    view.ShowNotSent(session.archivePath, ReportMailbox());
  }

  if (recordSection.empty()) {
    recordSection = FreeRecordSection(session.sendRecords, 0, SectionMatch::Exact);
  }
  session.sendRecords.WriteString(recordSection, u"File Name", session.archivePath);
  session.sendRecords.WriteString(recordSection, u"Email Subject",
                                  subject.empty() ? u"Crash Report Management" : subject);
  if (log.OpenFlag()) {
    log.WriteEntry(sent ? u"SendCrSucced!" : u"SendCrFailed!");
    log.Close();
  }
  session.sendRecords.WriteString(recordSection, u"Send or Not", sent ? u"YES" : u"NO");
  view.EndDialog(kDialogOk);
}

}  // namespace norda
