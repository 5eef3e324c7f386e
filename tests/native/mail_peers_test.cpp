// The Base64 encoder against Python's base64 module: exact text and line layout. The mail peers'
// cases join this program from tests/mail (tests/cmake/peers.cmake).
#include <gtest/gtest.h>

#include "core/mail/base64.h"
#include "core/mail/mime_message.h"
#include "core/support/text.h"
#include "support/run_command.h"
#include "support/scratch_folder.h"
#include "support/test_files.h"
#include "support/test_inputs.h"

namespace norda {
namespace {

using test::NativeFsPath;
using test::RandomBytes;
using test::WriteBytes;

// Lengths around every boundary of the line and chunk layout.
TEST(Base64AgainstPython, ManyLengths) {
  std::vector<std::size_t> lengths;
  for (std::size_t n = 0; n <= 200; ++n) lengths.push_back(n);
  for (std::size_t base :
       {kAttachmentChunkBytes, std::size_t{5700}, 2 * kAttachmentChunkBytes, std::size_t{65536}}) {
    for (std::size_t d = 0; d < 4; ++d) lengths.insert(lengths.end(), {base - d - 1, base + d});
  }
  test::ScratchFolder folder;
  for (std::size_t i = 0; i < lengths.size(); ++i) {
    const std::string data = RandomBytes(lengths[i], static_cast<std::uint32_t>(i));
    const std::string text = Base64Encode(data);
    WriteBytes(folder / (u"data" + DecimalText(i) + u".bin"), data);
    WriteBytes(folder / (u"text" + DecimalText(i) + u".txt"), text);
    EXPECT_EQ(Base64EncodedSize(data.size()), text.size()) << lengths[i];
  }
  const auto report = test::RunCommand(
      {"/usr/bin/python3", test::SourceDir() + "/tests/peers/base64_check.py", NativeFsPath(folder.Path())});
  EXPECT_EQ(report.exitCode, 0);
  EXPECT_EQ(report.output, "checked " + std::to_string(lengths.size()) + "\n");
}

}  // namespace
}  // namespace norda
