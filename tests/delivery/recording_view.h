// What the delivery tests share: the settings server's port of this build,
// and a send flow view that records what the dialog would show.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "build_settings.h"
#include "core/app/send_flow.h"
#include "core/support/text.h"

namespace norda::test {

inline int SettingsPort() {
  const std::u16string url = NORDA_SETTINGS_BASE_URL;
  return std::stoi(Utf16ToUtf8(url.substr(url.rfind(u':') + 1)));
}

// Messages by their string ids: "1592 <archive> <mailbox>", "1593", "1597".
class RecordingView : public SendFlowView {
 public:
  explicit RecordingView(std::u16string description = u"") : description_(std::move(description)) {}
  std::u16string Description() override { return description_; }
  void ShowCrashLogUnreadable() override { shown.push_back(u"1597"); }
  void ShowSent() override { shown.push_back(u"1593"); }
  void ShowNotSent(const std::u16string& archive, const std::u16string& mailbox) override {
    shown.push_back(u"1592 " + archive + u" " + mailbox);
  }
  void EndDialog(int result) override { ended.push_back(result); }
  std::vector<std::u16string> shown;
  std::vector<int> ended;

 private:
  std::u16string description_;
};

}  // namespace norda::test
