#include "core/support/profile_file.h"

#include <algorithm>

#include "core/support/text.h"
#include "os/code_page.h"
#include "os/files.h"

namespace norda {
namespace {

constexpr std::uint32_t kUtf8CodePage = 65001;
constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";
constexpr char16_t kByteOrderMark = 0xFEFF;

// Names and values end at the first zero unit, as C strings do in the Windows
// functions, even where the line itself goes on.
std::u16string_view UpToZero(std::u16string_view text) {
  const size_t zero = text.find(u'\0');
  return zero == std::u16string_view::npos ? text : text.substr(0, zero);
}

std::u16string_view TrimProfileLeft(std::u16string_view text) {
  size_t b = 0;
  while (b < text.size() && IsProfileSpace(text[b])) ++b;
  return text.substr(b);
}

std::u16string_view TrimProfileRight(std::u16string_view text) {
  size_t e = text.size();
  while (e > 0 && IsProfileSpace(text[e - 1])) --e;
  return text.substr(0, e);
}

std::u16string_view TrimProfile(std::u16string_view text) {
  return TrimProfileRight(TrimProfileLeft(text));
}

std::u16string Utf16Units(std::string_view bytes, bool bigEndian) {
  std::u16string text((bytes.size() + 1) / 2, u'\0');
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto byte = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]));
    const bool high = ((i & 1) == 0) == bigEndian;
    text[i / 2] = static_cast<char16_t>(text[i / 2] | (high ? byte << 8 : byte));
  }
  return text;
}

void AppendUtf16Units(std::string& out, std::u16string_view text, bool bigEndian) {
  for (const char16_t unit : text) {
    const char low = static_cast<char>(unit & 0xFF);
    const char high = static_cast<char>(unit >> 8);
    out += bigEndian ? high : low;
    out += bigEndian ? low : high;
  }
}

// The text of the file and its encoding, told by its byte-order mark. A
// UTF-16 file of odd length ends in half a unit, which is taken as if the
// missing byte were zero.
std::u16string DecodeText(std::string_view bytes, ProfileEncoding& encoding) {
  if (bytes.substr(0, 3) == kUtf8Mark) {
    encoding = ProfileEncoding::Utf8;
    return os::ToUtf16(bytes.substr(3), kUtf8CodePage);
  }
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    encoding = ProfileEncoding::Utf16Le;
    return Utf16Units(bytes.substr(2), false);
  }
  if (bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF') {
    encoding = ProfileEncoding::Utf16Be;
    return Utf16Units(bytes.substr(2), true);
  }
  encoding = ProfileEncoding::Ansi;
  return os::ToUtf16(bytes, os::AnsiCodePage());
}

bool LooksMarked(std::string_view bytes) {
  return bytes.substr(0, 3) == kUtf8Mark || bytes.substr(0, 2) == "\xFF\xFE" ||
         bytes.substr(0, 2) == "\xFE\xFF";
}

std::string EncodeText(std::u16string_view text, ProfileEncoding encoding) {
  std::string out;
  switch (encoding) {
    case ProfileEncoding::Ansi:
      out = os::FromUtf16(text, os::AnsiCodePage());
      // A first line whose bytes begin like a byte-order mark would make the
      // file read back in another encoding: a blank line in front keeps it
      // ANSI, and the reader skips blank lines.
      if (LooksMarked(out)) out.insert(0, "\r\n");
      return out;
    case ProfileEncoding::Utf8:
      return kUtf8Mark + os::FromUtf16(text, kUtf8CodePage);
    case ProfileEncoding::Utf16Le:
      AppendUtf16Units(out, std::u16string_view(&kByteOrderMark, 1), false);
      AppendUtf16Units(out, text, false);
      return out;
    case ProfileEncoding::Utf16Be:
      AppendUtf16Units(out, std::u16string_view(&kByteOrderMark, 1), true);
      AppendUtf16Units(out, text, true);
      return out;
  }
  return out;
}

// One line, already stripped of white space at both ends, added to the
// document being built.
void ParseLine(std::u16string_view line, std::vector<ProfileSection>& sections) {
  if (line.front() == u'[') {
    // The header's name runs to the last "]"; anything after it is ignored.
    const size_t close = line.rfind(u']');
    if (close != std::u16string_view::npos && close > 0) {
      const std::u16string_view name = TrimProfile(line.substr(1, close - 1));
      sections.push_back({std::u16string(UpToZero(name)), {}});
      return;
    }
  }
  std::u16string_view name = line;
  std::optional<std::u16string_view> value;
  const size_t equals = line.find(u'=');
  if (equals != std::u16string_view::npos) {
    name = TrimProfileRight(line.substr(0, equals));
    value = TrimProfileLeft(line.substr(equals + 1));
  }
  // A line with an empty name (such as "=x") is dropped when the key before
  // it in the same section had an empty name too.
  std::vector<ProfileKey>& keys = sections.back().keys;
  if (name.empty() && !keys.empty() && keys.back().name.empty()) return;
  ProfileKey key{std::u16string(UpToZero(name)), std::nullopt};
  if (value) key.value = std::u16string(UpToZero(*value));
  keys.push_back(std::move(key));
}

// A key's value or the default copied as the profile functions copy it.
std::size_t CopyEntry(char16_t* buffer, std::size_t size, std::u16string_view value) {
  value = UpToZero(value);
  bool quoted = false;
  if (value.size() > 1 && (value.front() == u'"' || value.front() == u'\'') &&
      value.back() == value.front()) {
    quoted = true;
    value.remove_prefix(1);
  }
  std::size_t n = std::min(value.size(), size - 1);
  std::copy(value.begin(), value.begin() + static_cast<std::ptrdiff_t>(n), buffer);
  buffer[n] = u'\0';
  // The closing quote goes only when the whole value fitted, or fell short of
  // the buffer by that quote; otherwise the last character copied goes instead.
  if (quoted && size >= value.size() && n > 0) buffer[--n] = u'\0';
  return n;
}

enum class LoadResult { Loaded, Missing, Unreadable };

// A missing file in an existing folder is an empty profile; a missing folder
// or a file that cannot be read makes the call fail, as on Windows.
LoadResult Load(const std::u16string& path, ProfileDocument& document) {
  if (!os::PathExists(path)) {
    const std::u16string folder = FolderPart(path);
    return folder.empty() || os::FolderExists(folder) ? LoadResult::Missing
                                                      : LoadResult::Unreadable;
  }
  std::string bytes;
  if (!os::ReadWholeFile(path, bytes)) return LoadResult::Unreadable;
  document = ProfileDocument::Parse(bytes);
  return LoadResult::Loaded;
}

bool IsReadOnly(const std::u16string& path) {
  const std::uint32_t attributes = os::FileAttributesOf(path);
  return attributes != os::kInvalidAttributes && (attributes & os::kAttrReadOnly) != 0;
}

}  // namespace

bool IsProfileSpace(char16_t c) { return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == u' '; }

ProfileDocument ProfileDocument::Parse(std::string_view bytes) {
  ProfileDocument document;
  // An empty file has no sections at all; any other file starts with the
  // nameless section that holds the keys before the first header.
  if (bytes.empty()) return document;
  const std::u16string text = DecodeText(bytes, document.encoding);
  document.sections.push_back({});
  const std::u16string_view all(text);
  size_t pos = 0;
  while (pos < all.size()) {
    // A line ends at CR or LF; a run of them ends it once, so blank lines vanish.
    size_t end = pos;
    while (end < all.size() && all[end] != u'\r' && all[end] != u'\n') ++end;
    const std::u16string_view line = TrimProfile(all.substr(pos, end - pos));
    while (end < all.size() && (all[end] == u'\r' || all[end] == u'\n')) ++end;
    pos = end;
    if (!line.empty()) ParseLine(line, document.sections);
  }
  return document;
}

std::string ProfileDocument::Serialize() const {
  std::u16string text;
  for (const ProfileSection& section : sections) {
    if (!section.name.empty()) text += u'[' + section.name + u"]\r\n";
    for (const ProfileKey& key : section.keys) {
      text += key.name;
      if (key.value) text += u'=' + *key.value;
      text += u"\r\n";
    }
  }
  return EncodeText(text, encoding);
}

const ProfileKey* ProfileDocument::Find(std::u16string_view section,
                                        std::u16string_view key) const {
  section = TrimProfile(UpToZero(section));
  key = TrimProfile(UpToZero(key));
  for (const ProfileSection& s : sections) {
    if (!EqualsIgnoreCase(s.name, section)) continue;
    for (const ProfileKey& k : s.keys) {
      if (EqualsIgnoreCase(k.name, key)) return &k;
    }
    return nullptr;
  }
  return nullptr;
}

bool ProfileDocument::Set(std::u16string_view section, std::u16string_view key,
                          std::u16string_view value) {
  section = UpToZero(section);
  key = UpToZero(key);
  value = TrimProfileLeft(UpToZero(value));
  const std::u16string_view sectionName = TrimProfile(section);
  const std::u16string_view keyName = TrimProfile(key);
  // A new section or key keeps the name as given, less its leading white space.
  const auto newKey = [key] { return ProfileKey{std::u16string(TrimProfileLeft(key)), std::nullopt}; };
  const auto s = std::find_if(sections.begin(), sections.end(), [&](const ProfileSection& each) {
    return EqualsIgnoreCase(each.name, sectionName);
  });
  ProfileKey* target = nullptr;
  if (s == sections.end()) {
    sections.push_back({std::u16string(TrimProfileLeft(section)), {newKey()}});
    target = &sections.back().keys.back();
  } else {
    const auto k = std::find_if(s->keys.begin(), s->keys.end(), [&](const ProfileKey& each) {
      return EqualsIgnoreCase(each.name, keyName);
    });
    if (k != s->keys.end()) {
      target = &*k;
    } else {
      s->keys.push_back(newKey());
      target = &s->keys.back();
    }
  }
  if (target->value && *target->value == value) return false;
  target->value = std::u16string(value);
  return true;
}

std::vector<std::u16string> ProfileDocument::SectionNames() const {
  std::vector<std::u16string> names;
  for (const ProfileSection& s : sections) {
    if (!s.name.empty()) names.push_back(s.name);
  }
  return names;
}

std::size_t ProfileReadString(std::u16string_view section, std::u16string_view key,
                              std::u16string_view defaultValue, char16_t* buffer,
                              std::size_t size, const std::u16string& path) {
  if (!buffer || size == 0) return 0;
  // Trailing blanks of the default go; one blank stays of a default of blanks.
  defaultValue = UpToZero(defaultValue);
  while (defaultValue.size() > 1 && defaultValue.back() == u' ') defaultValue.remove_suffix(1);

  ProfileDocument document;
  if (Load(path, document) == LoadResult::Unreadable) {
    // Without a profile the default is copied as it is, quotes and all.
    const std::size_t n = std::min(defaultValue.size(), size - 1);
    std::copy(defaultValue.begin(), defaultValue.begin() + static_cast<std::ptrdiff_t>(n), buffer);
    buffer[n] = u'\0';
    return n;
  }
  const ProfileKey* found = document.Find(section, key);
  return CopyEntry(buffer, size, found && found->value ? *found->value : defaultValue);
}

bool ProfileWriteString(std::u16string_view section, std::u16string_view key,
                        std::u16string_view value, const std::u16string& path) {
  ProfileDocument document;
  const LoadResult load = Load(path, document);
  if (load == LoadResult::Unreadable) return false;
  // The file is opened for writing before anything is compared.
  if (load == LoadResult::Loaded && IsReadOnly(path)) return false;
  if (!document.Set(section, key, value)) return true;
  return os::WriteWholeFile(path, document.Serialize());
}

std::size_t ProfileReadSectionNames(char16_t* buffer, std::size_t size, const std::u16string& path) {
  if (!buffer || size == 0) return 0;
  ProfileDocument document;
  if (Load(path, document) == LoadResult::Unreadable) return 0;
  if (size == 1) {
    buffer[0] = u'\0';
    return 0;
  }
  std::size_t left = size - 1;  // room before the list's final zero
  char16_t* out = buffer;
  for (const std::u16string& name : document.SectionNames()) {
    const std::size_t needed = name.size() + 1;
    if (needed >= left) {
      // Cut: as much of this name as fits, its zero and the list's zero.
      out = std::copy(name.begin(), name.begin() + static_cast<std::ptrdiff_t>(left - 1), out);
      *out++ = u'\0';
      *out = u'\0';
      return size - 2;
    }
    out = std::copy(name.begin(), name.end(), out);
    *out++ = u'\0';
    left -= needed;
  }
  *out = u'\0';
  return static_cast<std::size_t>(out - buffer);
}

}  // namespace norda
