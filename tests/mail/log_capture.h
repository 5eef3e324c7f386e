// The send-error log of one test, opened in a scratch folder. Lines() closes
// it and gives its lines, each of which must have ended with CR LF.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/mail/send_error_log.h"
#include "support/scratch_folder.h"
#include "support/test_files.h"

namespace norda::test {

class LogCapture {
 public:
  explicit LogCapture(const ScratchFolder& folder) : path_(folder / u"CrSendErr.log") {
    EXPECT_TRUE(SendErrorLog::Instance().Open(path_));
  }
  ~LogCapture() { SendErrorLog::Instance().Close(); }
  std::vector<std::string> Lines() {
    SendErrorLog::Instance().Close();
    const std::string bytes = ReadBytes(path_);
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1) {
      EXPECT_TRUE(end > start && bytes[end - 1] == '\r') << "a log line ends without CR LF";
      lines.push_back(bytes.substr(start, end > start ? end - start - 1 : 0));
    }
    EXPECT_EQ(start, bytes.size()) << "the log ends inside a line";
    return lines;
  }

 private:
  std::u16string path_;
};

}  // namespace norda::test
