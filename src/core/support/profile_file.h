// Profile ("INI") files: sections of keys and values.
//
// The report description comes from the CAD application and the send record
// book may be opened by any other tool, so these files are read and written
// exactly as the Windows profile functions read and write them: the same line
// syntax, quoting, white space, encodings and buffer truncation. The program
// never keeps a profile in memory between calls; every call reads the file
// afresh, and every change rewrites it whole, as those functions do.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norda {

// How the file's text is stored. A byte-order mark picks UTF-8, UTF-16LE or
// UTF-16BE; without one the file is in the system's ANSI code page. A rewrite
// keeps the encoding and its mark; a new file is ANSI.
enum class ProfileEncoding { Ansi, Utf8, Utf16Le, Utf16Be };

struct ProfileKey {
  std::u16string name;
  // No value for a line without "=": such a key reads as missing.
  std::optional<std::u16string> value;
};

struct ProfileSection {
  // Empty for the keys before the first section header.
  std::u16string name;
  std::vector<ProfileKey> keys;
};

// A whole profile file in memory.
class ProfileDocument {
 public:
  // Never fails: any bytes give some document (possibly with odd names).
  static ProfileDocument Parse(std::string_view bytes);
  // The file's bytes, in the document's encoding, every line ended by CR LF.
  // Blank lines and the white space around names and values are not kept.
  std::string Serialize() const;

  // The key, or null. Names are compared without regard to case and without
  // surrounding white space; of duplicate sections and keys the first counts.
  const ProfileKey* Find(std::u16string_view section, std::u16string_view key) const;
  // Gives the key a value (white space at its start dropped), adding the key
  // at the end of its section, or the section at the end of the file, when
  // missing. False when the key already had exactly that value.
  bool Set(std::u16string_view section, std::u16string_view key, std::u16string_view value);
  // Names of all sections with a header, in file order, duplicates included.
  std::vector<std::u16string> SectionNames() const;

  ProfileEncoding encoding = ProfileEncoding::Ansi;
  std::vector<ProfileSection> sections;
};

// White space in profile lines: tab to carriage return, blank, and ^Z.
bool IsProfileSpace(char16_t c);

// The value of key in section of the file at path, copied into buffer (size
// units): at most size - 1 units and a terminating zero. A value enclosed in
// matching quotes ("..." or '...') loses them. defaultValue, without trailing
// blanks, stands in for a missing file, section or key. Returns the number of
// units copied, without the terminating zero. path is a full path.
std::size_t ProfileReadString(std::u16string_view section, std::u16string_view key,
                              std::u16string_view defaultValue, char16_t* buffer,
                              std::size_t size, const std::u16string& path);

// Sets key in section of the file at path to value, creating the file, the
// section and the key as needed. True on success, also when nothing changed.
bool ProfileWriteString(std::u16string_view section, std::u16string_view key,
                        std::u16string_view value, const std::u16string& path);

// The names of the file's sections into buffer (size units), each ended by a
// zero and the list by one more zero. When they do not fit, the list is cut to
// the buffer and ends with two zeros, and size - 2 is returned; otherwise the
// number of units copied without the final zero. A missing file gives an
// empty list; a file that cannot be opened leaves the buffer alone.
std::size_t ProfileReadSectionNames(char16_t* buffer, std::size_t size, const std::u16string& path);

}  // namespace norda
