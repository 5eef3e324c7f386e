#include "core/app/dont_send.h"

#include "core/app/send_record_book.h"
#include "core/app/user_text.h"
#include "os/files.h"

namespace norda {

DontSendOutcome DontSend(ReportSession& session, const std::u16string& description) {
  if (session.archivePath.empty()) return DontSendOutcome::Ended;
  if (!description.empty()) {
    const auto path = WriteUserText(session, description);
    if (!path) return DontSendOutcome::UserTextFailed;
    if (os::SetFileAttributesTo(*path, os::kAttrArchive) && os::PathExists(*path)) {
      ListReportFile(session, *path, u"", u"");
    }
  }
  std::u16string unused;
  RecordAndPack(session, false, unused);
  return DontSendOutcome::Ended;
}

}  // namespace norda
