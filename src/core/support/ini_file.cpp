#include "core/support/ini_file.h"

#include <algorithm>

#include "core/support/profile_file.h"
#include "core/support/text.h"
#include "os/files.h"
#include "os/folders.h"

namespace norda {
namespace {

// The read buffer is larger than the size handed to the reader, which thus
// never returns more than 1989 characters.
constexpr std::size_t kValueBufferUnits = 2000;
constexpr std::size_t kValueReadUnits = 1990;

constexpr std::u16string_view kIniExtension = u".ini";

}  // namespace

std::u16string ReadProfileValue(std::u16string_view key, const std::u16string& file,
                                std::u16string_view section) {
  if (!os::PathExists(file)) return {};
  std::u16string buffer(kValueBufferUnits, u'\0');
  ProfileReadString(section, key, u"", buffer.data(), kValueReadUnits, file);
  buffer.resize(std::char_traits<char16_t>::length(buffer.c_str()));
  return buffer;
}

IniFile::IniFile() {
  const std::u16string executable = Trim(os::ExecutablePath());
  path_ = executable.substr(0, executable.size() - std::min<std::size_t>(3, executable.size())) +
          u"ini";
}

bool IniFile::SetPath(std::optional<std::u16string_view> path) {
  if (!path) return false;
  std::u16string full = Trim(*path);
  if (!HasFolder(full)) full = FolderPart(os::ExecutablePath()) + full;
  if (full.size() <= kIniExtension.size() ||
      ToLowerCase(std::u16string_view(full).substr(full.size() - kIniExtension.size())) !=
          kIniExtension) {
    full += kIniExtension;
  }
  path_ = std::move(full);
  return true;
}

bool IniFile::WriteString(std::u16string_view section, std::u16string_view key,
                          std::u16string_view value) const {
  return ProfileWriteString(section, key, value, path_);
}

std::size_t IniFile::GetSectionNames(std::vector<std::u16string>& names) const {
  // One unit more than asked for, and zeroed, so that the walk below always
  // finds a terminator, even in a buffer of size 0.
  std::u16string buffer(sectionNamesBufferSize_ + 1, u'\0');
  const std::size_t copied =
      ProfileReadSectionNames(buffer.data(), sectionNamesBufferSize_, path_);
  names.clear();
  // The first name is taken before the count is looked at: an empty list
  // still gives one empty name.
  std::size_t pos = 0;
  do {
    const std::size_t end = buffer.find(u'\0', pos);
    names.push_back(buffer.substr(pos, end - pos));
    pos = end + 1;
  } while (pos < copied);
  return copied;
}

}  // namespace norda
