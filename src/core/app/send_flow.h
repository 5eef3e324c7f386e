// "Send Error Report": pack the report, fetch the mail settings, mail the
// report, tell the user, fall back to sending by hand, record the attempt and
// end the dialog. One synchronous pass; every failure is a tag in the
// send-error log.
#pragma once

#include <string>

#include "core/app/report_session.h"
#include "core/mail/delivery_security.h"

namespace norda {

// What the flow needs from the error report dialog.
class SendFlowView {
 public:
  virtual ~SendFlowView() = default;
  // The whole text of the description box.
  virtual std::u16string Description() = 0;
  // The crash log cannot be read (message 1597, caption "NORDA").
  virtual void ShowCrashLogUnreadable() = 0;
  // The report went out (message 1593).
  virtual void ShowSent() = 0;
  // It did not: the archive to send by hand and where to (message 1592).
  virtual void ShowNotSent(const std::u16string& archivePath, const std::u16string& mailbox) = 0;
  // Ends the dialog with the given result, without its own reactions.
  virtual void EndDialog(int result) = 0;
};

constexpr int kDialogOk = 1;      // IDOK
constexpr int kDialogCancel = 2;  // IDCANCEL

// At most this much of the crash log goes into the mail.
constexpr std::size_t kCrashLogBytes = 51200;

// The crash log's first bytes, up to the first zero byte, as text of the
// thread's code page. False when the file cannot be opened or a read fails;
// the text then holds what was read before the failure.
bool ReadCrashLogText(const std::u16string& path, std::u16string& text);

// The report mailbox shown for sending by hand.
std::u16string ReportMailbox();

// The mail and the settings go as the delivery settings say: by default the build's.
void RunSendFlow(ReportSession& session, SendFlowView& view,
                 const DeliverySecurity& security = BuildDeliverySecurity());

}  // namespace norda
