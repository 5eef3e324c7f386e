// Our profile reader and writer against the system's own profile functions on
// the same files: each read, name list and write gives the same count, buffer
// units and bytes on disk. The system caches files by name, so each case has
// names of its own and the cache is dropped after each system write. Only ASCII
// letters are matched without regard to case: the Wine used here folds nothing else.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "core/support/profile_file.h"
#include "core/support/text.h"
#include "os/files.h"
#include "support/scratch_folder.h"
#include "support/test_files.h"
#include "support/test_inputs.h"

namespace norda {
namespace {

using test::Printable;
using test::ScratchFolder;
using test::Utf16LeBytes;
using test::WriteBytes;

const wchar_t* W(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

std::string Utf16BeBytes(const std::u16string& text) {
  std::string bytes = Utf16LeBytes(text, false);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) std::swap(bytes[i], bytes[i + 1]);
  return "\xFE\xFF" + bytes;
}

// Noise with plenty of the characters that the syntax cares about.
std::string NoiseBytes(std::uint32_t seed, std::size_t length) {
  static const char kSyntax[] = "\r\n[]=;\"' \t\x1A";
  test::TestRandom random(seed);
  std::string bytes;
  for (std::size_t i = 0; i < length; ++i) {
    const unsigned pick = random.Next() >> 8;
    bytes += (pick & 3) == 0 ? kSyntax[pick % (sizeof kSyntax - 1)] : static_cast<char>(pick >> 4);
  }
  return bytes;
}

std::string ManySections() {
  std::string bytes;
  for (int i = 1; i <= 60; ++i) {
    bytes += "[Record" + std::to_string(i) + "]\r\nSend or Not=" + (i % 2 ? "YES" : "NO") +
             "\r\nZipFile=C:\\Users\\me\\CrashReport\\BugReport\\Report_" + std::to_string(i) +
             ".zip\r\n";
  }
  return bytes;
}

struct Case {
  const char* name;
  std::string bytes;
  bool missing = false;
  std::u16string folder;  // under the test's folder; one that does not exist refuses every write
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

std::vector<Case> Cases() {
  const std::string nul(1, '\0');
  return {
      {"comments",
       "; a comment\r\n[Sec]\r\n;key=commented out\r\nkey=value\r\n# hash=x\r\n;\r\n[Other]\r\n;k\r\nk=v"},
      {"blank_lines_and_spaces",
       "\r\n\r\n  [ Sec ]  \r\n\r\n  key  =   value with spaces   \r\n\t other\t=\t2\t\r\n\r\n\r\n"
       "[Other]\r\n\r\nk\t= v\r\n\r\n"},
      {"quotes",
       "[Sec]\r\nkey=\"quoted\"\r\nother='single'\r\nk=\"mixed'\r\nq1=\"\r\nq2=\"\"\r\n"
       "q3=  \"x y\"  \r\nq4=\"a\"b\"\r\nq5=''\r\nq6=\"\"\"\r\nq7='\"'\r\n"},
      {"duplicate_sections",
       "[Sec]\r\nkey=first\r\n[sec]\r\nkey=second\r\nother=only in second\r\n[SEC]\r\nk=third\r\n"
       "[Other]\r\nk=v\r\n[Sec]\r\nnew=fourth"},
      {"duplicate_keys", "[Sec]\r\nkey=1\r\nKEY=2\r\n key = 3\r\nother=a\r\nOTHER=b\r\n"},
      {"keys_before_any_section", "top=above\r\nkey=also above\r\n\r\n[Sec]\r\nkey=value\r\n"},
      {"line_ends", "[Sec]\nkey=value\rother=2\r\rq1=a\n\n\r[Other]\r\n\r\nk=v\n\rtop=x\r"},
      {"utf16le_bom",
       Utf16LeBytes(u"[Sec]\r\nkey=caf\u00e9 \u4e2d\u6587\r\n[S\u00e9c]\r\nk=\u0416\u0418\u0412\r\n"
                    u"[\u4e2d]\r\n\u4e2d=\u6587\r\nother=\"\u00e9\"\r\n",
                    true)},
      {"utf16be_bom", Utf16BeBytes(u"[Sec]\r\nkey=caf\u00e9 \u4e2d\r\n[Other]\r\nk=v\r\n")},
      {"utf8_bom",
       "\xEF\xBB\xBF[Sec]\r\nkey=caf\xC3\xA9 \xE4\xB8\xAD\r\n[S\xC3\xA9" "c]\r\nk=\xC3\xBC\r\n"},
      {"utf8_without_bom", "[Sec]\r\nkey=caf\xC3\xA9\r\n[S\xC3\xA9" "c]\r\nk=\xE4\xB8\xAD\r\n"},
      {"ansi_non_ascii",
       "[Sec]\r\nkey=\x80\x81\x8D\x8F\x90\x9D\xFF caf\xE9\r\n[S\xE9" "c]\r\nk=\xE4\xF6\xFC\xDF\r\n"
       "[\xC0\xC9]\r\n\xE9t\xE9=\xE0\r\n"},
      {"long_values",
       "[Sec]\r\nkey=" + std::string(3000, 'x') + "\r\nother=" + std::string(1990, 'y') +
           "\r\nk=\"" + std::string(1989, 'z') + "\"\r\n[" + std::string(300, 'S') + "]\r\nk=v\r\n"},
      {"lines_without_equals",
       "[Sec]\r\nnoequals\r\n=first nameless\r\n=second nameless\r\nkey\r\n  =  \r\nk=v\r\n=after\r\n"
       "[Other]\r\n=x\r\nk\r\n"},
      {"odd_headers",
       "[a]b]c\r\nk=1\r\n[unclosed\r\nk=2\r\n[]\r\nk=3\r\n[ ]\r\nkey=4\r\n[\x1A Sec \t]trailing\r\n"
       "key=5\r\n [Other] \r\nk=6\r\nx[Sec]\r\n"},
      {"zero_bytes",
       "[Sec" + nul + "x]\r\nkey" + nul + "tail=value" + nul + "tail\r\n" + nul + "k=1\r\nother=" + nul +
           "\r\n[Other]y\r\n=a\r\n" + nul + "=b\r\n"},
      {"white_space_kinds", "\x1A[Sec]\x1A\r\n\x1Akey\x0B=\x0C value\x1A\r\n\xA0other\xA0=\xA0v\xA0\r\n"},
      {"equals_in_values", "[Sec]\r\nkey=a=b==c\r\nother===\r\nk = = \r\n"},
      {"many_sections", ManySections()},
      {"binary_ansi", NoiseBytes(1, 3000)},
      {"binary_utf16", "\xFF\xFE" + NoiseBytes(3, 4000)},
      {"utf16_odd_length", Utf16LeBytes(u"[Sec]\r\nkey=v", true) + "A"},
      {"binary_utf8", "\xEF\xBB\xBF" + NoiseBytes(5, 3000)},
      {"empty_file", ""},
      {"bom_only", "\xFF\xFE"},
      {"one_byte", "x"},
      {"missing_file", "", true},
      {"missing_folder", "", true, u"no such folder\\"},
  };
}

const char16_t* const kSections[] = {
    u"Sec",    u"sec",     u" Sec\t", u"Other",    u"",          u"Missing",    u"a]b",
    u"S\u00e9c", u"\u4e2d", u"\u00c0\u00c9", u"Record7", u"record60", u"Record61", u"unclosed",
};
const char16_t* const kKeys[] = {
    u"key", u"KEY", u" key ", u"other", u"k", u"top", u"", u"noequals", u"missing",
    u";key", u"q1", u"q2", u"q3", u"q4", u"q5", u"q6", u"q7", u"Send or Not", u"\u4e2d",
    u"\u00e9t\u00e9", u"new",
};
// Only blanks at its end leave a default; a tab and blanks in front stay.
const char16_t* const kDefaults[] = {u"", u"\"dflt\"  ", u"   ", u"  tab\t  "};
const std::size_t kReadSizes[] = {0, 1, 2, 4, 7, 1990, 2100, 4000};  // 1990: ReadProfileValue's buffer
const std::size_t kNameSizes[] = {0, 1, 2, 3, 5, 8, 13, 40, 200, 1024};

constexpr char16_t kUntouched = 0x7777;

// A call's result and its buffer with a guard unit after it. There is a guard
// unit before it too, not compared: for a value of two quotes and a buffer of
// one unit the system function writes a zero in front of the buffer, which
// ours does not.
struct Outcome {
  std::size_t count;
  std::u16string units;
};

testing::AssertionResult Same(const Outcome& ours, const Outcome& system) {
  if (ours.count == system.count && ours.units == system.units) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "ours " << ours.count << " \"" << Printable(ours.units)
                                     << "\", the system's " << system.count << " \""
                                     << Printable(system.units) << "\": ";
}

// GetPrivateProfileStringW or ours (system false), and GetPrivateProfileSectionNamesW or ours.
Outcome Read(bool system, const std::u16string& section, const std::u16string& key,
             const std::u16string& defaultValue, std::size_t size, const std::u16string& path) {
  std::u16string buffer(size + 2, kUntouched);
  wchar_t* at = reinterpret_cast<wchar_t*>(&buffer[1]);
  const std::size_t count = system ? GetPrivateProfileStringW(W(section), W(key), W(defaultValue), at,
                                                              static_cast<DWORD>(size), W(path))
                                   : ProfileReadString(section, key, defaultValue, &buffer[1], size, path);
  return {count, buffer.substr(1)};
}

Outcome Names(bool system, std::size_t size, const std::u16string& path) {
  std::u16string buffer(size + 2, kUntouched);
  wchar_t* at = reinterpret_cast<wchar_t*>(&buffer[1]);
  const std::size_t count = system ? GetPrivateProfileSectionNamesW(at, static_cast<DWORD>(size), W(path))
                                   : ProfileReadSectionNames(&buffer[1], size, path);
  return {count, buffer.substr(1)};
}

bool SystemWrite(const std::u16string& section, const std::u16string& key, const std::u16string& value,
                 const std::u16string& path) {
  const bool ok = WritePrivateProfileStringW(W(section), W(key), W(value), W(path)) != FALSE;
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, W(path));  // drop the cached copy
  return ok;
}

// Names beyond ASCII, where the two may pick different sections or keys, are
// looked up only as the lists below give them.
bool BeyondAscii(std::u16string_view text) {
  return std::any_of(text.begin(), text.end(), [](char16_t c) { return c >= 0x80; });
}

// Every read that the case's file can answer differently.
void CompareReads(const Case& c, const std::u16string& path) {
  std::vector<std::pair<std::u16string, std::u16string>> lookups;
  for (const char16_t* section : kSections) {
    for (const char16_t* key : kKeys) lookups.emplace_back(section, key);
  }
  // Also every key the file holds, which for the noise files are keys that
  // no list could guess.
  for (const ProfileSection& section : ProfileDocument::Parse(c.bytes).sections) {
    for (const ProfileKey& key : section.keys) {
      if (!BeyondAscii(section.name) && !BeyondAscii(key.name)) {
        lookups.emplace_back(section.name, key.name);
      }
    }
  }
  int index = 0;
  for (const auto& [section, key] : lookups) {
    for (const std::size_t size : kReadSizes) {
      const std::u16string defaultValue = kDefaults[index++ % std::size(kDefaults)];
      ASSERT_TRUE(Same(Read(false, section, key, defaultValue, size, path),
                       Read(true, section, key, defaultValue, size, path)))
          << c.name << " [" << Printable(section) << "] " << Printable(key) << " size " << size;
    }
  }
}

void CompareNames(const Case& c, const std::u16string& ours, const std::u16string& system) {
  for (const std::size_t size : kNameSizes) {
    ASSERT_TRUE(Same(Names(false, size, ours), Names(true, size, system))) << c.name << " size " << size;
  }
}

// The same writes onto two copies of the file: after each, the same result
// and the same bytes.
const struct {
  const char16_t* section;
  const char16_t* key;
  const char16_t* value;
} kWrites[] = {
    {u"Sec", u"key", u"  value"},  // the value there already: the file stays as it is
    {u"Other", u"k", u"v "},
    {u"Sec", u"key", u"new value"},
    {u"NewSection", u"Send or Not", u"YES"},
    {u"sec", u"KEY", u"  spaced value  "},
    {u"", u"top", u"above every section"},
    {u"Other", u"k", u"\"quoted\""},
    {u"S\u00e9c", u"k\u4e2d", u"v\u00e9\u4e2d\u0416"},
    {u"NewSection", u"send or not", u"NO"},
    {u"  Record1  ", u"\tZipFile", u"C:\\Users\\me\\CrashReport\\BugReport\\a.zip"},
    {u"Sec", u"", u"nameless"},
    {u"Other", u"k", u""},
};

// A file's bytes, or "<none>" where there is no file.
std::string OnDisk(const std::u16string& path) {
  std::string bytes;
  return os::ReadWholeFile(path, bytes) ? bytes : "<none>";
}

void CompareWrites(const Case& c, const std::u16string& ours, const std::u16string& system) {
  if (!c.missing) {
    WriteBytes(system, c.bytes);
    WriteBytes(ours, c.bytes);
  }
  for (const auto& w : kWrites) {
    const std::string where = std::string(c.name) + " [" + Printable(w.section) + "] " + Printable(w.key);
    const bool written = SystemWrite(w.section, w.key, w.value, system);
    ASSERT_EQ(ProfileWriteString(w.section, w.key, w.value, ours), written) << where;
    ASSERT_EQ(OnDisk(ours), OnDisk(system)) << where;
  }
  CompareNames(c, ours, system);
}

class ProfileConformance : public testing::TestWithParam<Case> {};

TEST_P(ProfileConformance, ReadsNamesAndWritesMatchTheSystem) {
  const Case& c = GetParam();
  ScratchFolder folder;
  const auto path = [&](const char16_t* role) {
    return folder / (c.folder + role + Utf8ToUtf16(c.name) + u".ini");
  };
  if (!c.missing) WriteBytes(path(u"read_"), c.bytes);
  CompareReads(c, path(u"read_"));
  CompareNames(c, path(u"read_"), path(u"read_"));
  CompareWrites(c, path(u"ours_"), path(u"system_"));
}

INSTANTIATE_TEST_SUITE_P(Files, ProfileConformance, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

// A run meant for another ANSI code page says which in NORDA_EXPECT_ACP;
// without this check a lost locale setting would quietly test 1252 again.
TEST(ProfileConformanceSetting, AnsiCodePageAsAsked) {
  const char* expected = std::getenv("NORDA_EXPECT_ACP");
  if (expected) {
    EXPECT_EQ(GetACP(), static_cast<UINT>(std::strtoul(expected, nullptr, 10)));
  }
}

}  // namespace
}  // namespace norda
