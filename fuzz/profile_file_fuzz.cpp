// The profile file reader on any file: a report description comes from the
// CAD application and the send record book may have been edited by hand.
// Checks, besides memory safety:
// - every read through the file functions agrees with the parsed document,
//   and no read writes past its buffer, whatever the buffer's size;
// - section name lists cut to small buffers stay terminated prefixes of the
//   whole list, and IniFile lists the names that each buffer holds;
// - a well-formed key written into the file reads back as written, and the
//   section names stay as they were (one more when the section was new).
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

// The value as the profile functions hand it out: up to a zero unit, one
// pair of surrounding quotes removed.
std::u16string Unquoted(std::u16string value) {
  value = value.substr(0, value.find(u'\0'));
  if (value.size() > 1 && (value.front() == u'"' || value.front() == u'\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

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
    // As with the Windows function, the list fits only with a unit to spare.
    const bool fits = whole.size() + 2 <= size;
    if (fits) {
      Check(n == whole.size() && std::u16string(buffer.data(), n) == whole && buffer[n] == u'\0',
            "the section name list differs from the document's");
    } else if (size > 0) {
      Check(n == (size >= 2 ? size - 2 : 0), "a cut section name list has the wrong count");
      Check(buffer[size - 1] == u'\0' && (size < 2 || buffer[size - 2] == u'\0'),
            "a cut section name list does not end in two zeros");
      const std::u16string cut(buffer.data(), n);
      Check(whole.compare(0, n, cut) == 0 || size < 2, "a cut section name list is not a prefix");
    }
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

void CheckReads(const std::u16string& path, const norda::ProfileDocument& document) {
  std::size_t reads = 0;
  for (const norda::ProfileSection& section : document.sections) {
    for (const norda::ProfileKey& key : section.keys) {
      if (++reads > 6) return;
      const norda::ProfileKey* found = document.Find(section.name, key.name);
      const std::u16string expected = found && found->value ? Unquoted(*found->value) : u"-";
      Check(ReadString(path, section.name, key.name, expected.size() + 2) == expected,
            "ProfileReadString differs from the document");
      for (std::size_t size : {std::size_t{1}, std::size_t{2}, expected.size()}) {
        if (size == 0) continue;
        const std::u16string cut = ReadString(path, section.name, key.name, size);
        Check(cut.size() < size && expected.compare(0, cut.size(), cut) == 0,
              "a cut value is not a prefix of the value");
      }
      if (found && found->value && expected.size() < 1989) {
        Check(norda::ReadProfileValue(key.name, path, section.name) == expected,
              "ReadProfileValue differs from the document");
      }
    }
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
  CheckReads(path, document);
  // The same document written out and read again has the same sections. A
  // name cut at a zero unit may end in a blank that the rewritten header
  // loses; names are compared without their blanks, as every lookup does.
  const norda::ProfileDocument again = norda::ProfileDocument::Parse(document.Serialize());
  Check(Trimmed(again.SectionNames()) == Trimmed(document.SectionNames()),
        "a rewritten file has other sections");
  CheckWrite(path, document, norda::Utf8ToUtf16(bytes.substr(0, 96)));
  return 0;
}
