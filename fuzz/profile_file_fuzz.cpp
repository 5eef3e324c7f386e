// The profile file reader on any file: a report description comes from the
// CAD application and the send record book may have been edited by hand.
// What each read and name list gives is compared with the system's own
// functions in tests/windows/profile_conformance_test.cpp; here, besides
// memory safety: no read or name list writes past its buffer, IniFile lists
// the names that each buffer holds, a well-formed key written into the file
// reads back as written and the rewritten file keeps its sections.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/support/ini_file.h"
#include "core/support/profile_file.h"
#include "core/support/text.h"
#include "support/check.h"
#include "support/scratch_folder.h"
#include "support/test_files.h"

namespace {

using fuzz::Check;
using norda::IsProfileSpace;

constexpr char16_t kGuard = 0x7777;

// Reads into a buffer of exactly size units (and a guard after it).
std::u16string ReadString(const std::u16string& path, const std::u16string& section,
                          const std::u16string& key, std::size_t size) {
  std::vector<char16_t> buffer(size + 1, kGuard);
  const std::size_t n = norda::ProfileReadString(section, key, u"-", buffer.data(), size, path);
  Check(buffer[size] == kGuard, "ProfileReadString wrote past its buffer");
  Check(n < size, "ProfileReadString's count leaves no room for the zero");
  Check(buffer[n] == u'\0', "ProfileReadString's text is not terminated at its count");
  return std::u16string(buffer.data(), n);
}

std::vector<std::u16string> Trimmed(std::vector<std::u16string> names) {
  for (std::u16string& name : names) {
    while (!name.empty() && IsProfileSpace(name.back())) name.pop_back();
  }
  return names;
}

std::u16string JoinedNames(const std::vector<std::u16string>& names) {
  std::u16string list;
  for (const std::u16string& name : names) list += name + u'\0';
  return list;
}

void CheckSectionNames(const std::u16string& path, const std::vector<std::u16string>& names) {
  const std::u16string whole = JoinedNames(names);
  norda::IniFile ini;
  ini.SetPath(path);
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{3}, whole.size(),
                           whole.size() + 1, whole.size() + 2}) {
    std::vector<char16_t> buffer(size + 1, kGuard);
    const std::size_t n = norda::ProfileReadSectionNames(buffer.data(), size, path);
    Check(buffer[size] == kGuard, "ProfileReadSectionNames wrote past its buffer");
    // IniFile lists the names that the buffer holds, the last one as far as
    // it came, and one empty name for none.
    std::vector<std::u16string> held{u""};
    for (std::size_t i = 0; i < n; ++i) {
      if (buffer[i] == u'\0') {
        held.emplace_back();
      } else {
        held.back() += buffer[i];
      }
    }
    if (n > 0 && buffer[n - 1] == u'\0') held.pop_back();
    std::vector<std::u16string> listed;
    ini.SetSectionNamesBufferSize(size);
    Check(ini.GetSectionNames(listed) == n && listed == held, "IniFile lists other section names");
  }
}

// A name or value that the file keeps as it is: no line ends, zeros,
// surrounding white space, "=" or a leading "[" (keys), "]" (sections) or
// surrounding quotes (values); no unpaired surrogates, which an 8-bit file
// cannot hold.
std::u16string WellFormed(std::u16string text, bool key, bool section) {
  std::u16string out;
  for (char16_t c : text) {
    if (c == u'\r' || c == u'\n' || c == u'\0' || (c >= 0xD800 && c <= 0xDFFF)) continue;
    if ((key && c == u'=') || (section && c == u']')) continue;
    out += c;
  }
  while (!out.empty() && (IsProfileSpace(out.front()) || out.front() == u'"' ||
                          out.front() == u'\'' || (key && out.front() == u'['))) {
    out.erase(0, 1);
  }
  while (!out.empty() && IsProfileSpace(out.back())) out.pop_back();
  return out.empty() ? u"k" : out;
}

void CheckWrite(const std::u16string& path, const norda::ProfileDocument& document,
                const std::u16string& source) {
  const std::size_t third = source.size() / 3;
  const std::u16string section = WellFormed(source.substr(0, third), false, true);
  const std::u16string key = WellFormed(source.substr(third, third), true, false);
  const std::u16string value = WellFormed(source.substr(2 * third), false, false);
  const std::vector<std::u16string> before = document.SectionNames();
  if (!norda::ProfileWriteString(section, key, value, path)) return;
  Check(ReadString(path, section, key, value.size() + 2) == value,
        "a written value does not read back");
  const std::vector<std::u16string> after =
      norda::ProfileDocument::Parse(norda::test::ReadBytes(path)).SectionNames();
  std::vector<std::u16string> expected = before;
  const bool known = std::any_of(before.begin(), before.end(), [&](const std::u16string& name) {
    return norda::EqualsIgnoreCase(name, section);
  });
  if (!known) expected.push_back(section);
  // A name cut at a zero unit may end in a blank that the rewritten header
  // loses; names are compared without their blanks, as every lookup does.
  Check(Trimmed(after) == Trimmed(expected), "writing a key changed the section names");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const norda::test::ScratchFolder scratch;
  static const std::u16string path = scratch / u"profile.ini";
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  norda::test::WriteBytes(path, bytes);
  const norda::ProfileDocument document = norda::ProfileDocument::Parse(bytes);

  CheckSectionNames(path, document.SectionNames());
  CheckWrite(path, document, norda::Utf8ToUtf16(bytes.substr(0, 96)));
  return 0;
}
