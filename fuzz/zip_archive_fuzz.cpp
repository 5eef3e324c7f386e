// The archive writer with any entries: names (any characters, "\" and "/",
// stored extensions, empty or too long), contents (memory blocks, empty
// ones, folder entries) and a memory target of any starting size, the
// caller's own buffer or one the writer makes.
// Checks, besides memory safety:
// - each add gives Ok, or BadArguments for exactly the entries it must
//   refuse, and LastZipResult follows every call;
// - the archive reads back with a strict ZIP reader that inflates with zlib:
//   the added entries and no others, in order, each with its name (ANSI,
//   "/" for "\", a folder's final "/"), method, flags, attributes and
//   contents unchanged, CRC-32 and sizes right, no gaps between records;
// - an archive that outgrew the caller's buffer is in the writer's memory,
//   and once it has been handed out no entry can be added.
#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/support/text.h"
#include "core/zip/zip_archive.h"
#include "os/code_page.h"
#include "support/check.h"
#include "support/zip_reader.h"

namespace {

using fuzz::Check;
using norda::zip::SourceKind;
using norda::zip::ZipResult;

constexpr std::size_t kLongestName = 259;     // bytes, as the writer's name buffer holds
constexpr std::uint32_t kStreamAttributes = 0x80000000;
constexpr std::uint32_t kFolderAttributes = 0x41C00010;

struct Expected {
  std::string name;
  bool stored;
  bool folder;
  std::string data;
};

bool StoredName(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos) return false;
  std::string extension;
  for (char c : name.substr(dot)) extension += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* stored : norda::zip::StoredExtensions) {
    std::string lower;
    for (const char* c = stored; *c; ++c)
      lower += static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
    if (extension == lower) return true;
  }
  return false;
}

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

  std::vector<Expected> expected;
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
    if (result == ZipResult::Ok) {
      expected.push_back({stored, folder || StoredName(stored), folder, folder ? std::string() : contents});
    }
  }

  const void* buffer = nullptr;
  std::uint32_t length = 0;
  Check(norda::zip::ZipGetBuffer(zip, &buffer, &length) == ZipResult::Ok, "ZipGetBuffer failed");
  const std::string archive(static_cast<const char*>(buffer), length);
  Check(length <= initial || buffer != callers.data(), "a grown archive is still in the caller's buffer");
  Check(norda::zip::ZipAddEntry(zip, u"late", nullptr, 0, SourceKind::Folder) == ZipResult::AlreadyEnded,
        "an add after the archive was handed out");
  std::vector<fuzz::ZipReadEntry> read;
  const std::string problem = fuzz::ReadZip(archive, read);
  if (!problem.empty()) fuzz::Fail(("the archive does not read back: " + problem).c_str());
  Check(read.size() == expected.size(), "the archive holds other entries than were added");
  for (std::size_t i = 0; i < read.size(); ++i) {
    const fuzz::ZipReadEntry& r = read[i];
    const Expected& e = expected[i];
    Check(r.name == e.name, "an entry's name");
    Check(r.method == (e.stored ? 0 : 8) && r.flags == (e.stored ? 0 : 2), "an entry's method or flags");
    Check(r.versionMadeBy == 0x0B17 && r.versionNeeded == 20, "an entry's versions");
    Check(r.externalAttributes == (e.folder ? kFolderAttributes : kStreamAttributes),
          "an entry's attributes");
    Check(r.data == e.data, "an entry's contents");
  }
  Check(norda::zip::ZipClose(zip) == ZipResult::Ok, "ZipClose failed");
  return 0;
}
