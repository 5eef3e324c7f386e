// The archive writer with any names, contents and memory targets. Checks which adds are refused, that
// LastZipResult follows every call, where a grown archive lies and that an ended one takes no entry.
// What archives hold is read back by the peers in tests/native/zip_archive_test.cpp.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/support/text.h"
#include "core/zip/zip_archive.h"
#include "os/code_page.h"
#include "support/check.h"

namespace {

using fuzz::Check;
using norda::zip::SourceKind;
using norda::zip::ZipResult;

constexpr std::size_t kLongestName = 259;  // bytes, as the writer's name buffer holds

// A name from the input: UTF-8 text, or raw UTF-16 units (lone surrogates
// included), with one of the stored extensions now and then.
std::u16string EntryName(FuzzedDataProvider& input) {
  const int form = input.ConsumeIntegralInRange(0, 3);
  const std::string bytes = input.ConsumeRandomLengthString(300);
  std::u16string name;
  if (form == 0) {
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
      name += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                    static_cast<unsigned char>(bytes[i + 1]) << 8);
    }
  } else {
    name = norda::Utf8ToUtf16(bytes);
  }
  if (form == 3) name += u".GZ";
  return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const auto initial = input.ConsumeIntegralInRange<std::uint32_t>(1, 70000);
  std::vector<char> callers(initial % 2 ? initial : 0);  // odd sizes: the caller's buffer
  norda::zip::ZipHandle* zip = norda::zip::ZipCreate(callers.empty() ? nullptr : callers.data(), initial,
                                                     norda::zip::TargetKind::Memory);
  Check(zip != nullptr && norda::zip::LastZipResult() == ZipResult::Ok, "ZipCreate failed");

  for (int entries = input.ConsumeIntegralInRange(0, 8); entries > 0; --entries) {
    const bool folder = input.ConsumeIntegralInRange(0, 5) == 0;
    std::u16string name = EntryName(input);
    name = name.substr(0, name.find(u'\0'));  // the name is a C string
    std::string contents = input.ConsumeRandomLengthString(20000);
    for (int copies = input.ConsumeIntegralInRange(0, 7); copies > 4 && !contents.empty(); --copies) {
      contents += contents;
    }

    std::string stored = os::FromUtf16(name, os::AnsiCodePage());
    for (char& c : stored) c = c == '\\' ? '/' : c;
    if (folder && (stored.empty() || stored.back() != '/')) stored += '/';
    const bool refused = name.empty() || stored.size() > kLongestName || (!folder && contents.empty());

    const ZipResult result = norda::zip::ZipAddEntry(zip, name.c_str(), contents.data(),
                                                     static_cast<std::uint32_t>(contents.size()),
                                                     folder ? SourceKind::Folder : SourceKind::Memory);
    Check(result == norda::zip::LastZipResult(), "LastZipResult is not the add's result");
    Check(result == (refused ? ZipResult::BadArguments : ZipResult::Ok), "an add's result");
  }

  const void* buffer = nullptr;
  std::uint32_t length = 0;
  Check(norda::zip::ZipGetBuffer(zip, &buffer, &length) == ZipResult::Ok, "ZipGetBuffer failed");
  Check(length <= initial || buffer != callers.data(), "a grown archive is still in the caller's buffer");
  Check(norda::zip::ZipAddEntry(zip, u"late", nullptr, 0, SourceKind::Folder) == ZipResult::AlreadyEnded,
        "an add after the archive was handed out");
  Check(norda::zip::ZipClose(zip) == ZipResult::Ok, "ZipClose failed");
  return 0;
}
