// The program's two ways into profile files: IniFile, bound to one file and
// used for the send record book, and ReadProfileValue, the one-shot read used
// for the report description.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norda {

// The value of key in section of file; empty when the file, the section or
// the key is missing. A missing file is not touched. At most 1989 characters.
std::u16string ReadProfileValue(std::u16string_view key, const std::u16string& file,
                                std::u16string_view section);

class IniFile {
 public:
  static constexpr std::size_t kDefaultBufferSize = 1024;

  // Bound to the program's own name with "ini" for its extension.
  IniFile();

  // Binds the object to another file. A bare name goes into the program's
  // folder, and ".ini" is appended unless the path ends in it (in any case).
  // False, changing nothing, when no path is given.
  bool SetPath(std::optional<std::u16string_view> path);
  const std::u16string& Path() const { return path_; }

  void SetSectionNamesBufferSize(std::size_t units) { sectionNamesBufferSize_ = units; }
  void SetSectionBufferSize(std::size_t units) { sectionBufferSize_ = units; }
  std::size_t SectionNamesBufferSize() const { return sectionNamesBufferSize_; }
  std::size_t SectionBufferSize() const { return sectionBufferSize_; }

  // Sets key in section, creating the file and the section when missing.
  bool WriteString(std::u16string_view section, std::u16string_view key,
                   std::u16string_view value) const;

  // Replaces names with the file's section names in file order, cut to the
  // section-names buffer. names always gets at least one entry: an empty name
  // when the file has no sections or does not exist. Returns the number of
  // units read.
  std::size_t GetSectionNames(std::vector<std::u16string>& names) const;

 private:
  std::u16string path_;
  std::size_t sectionNamesBufferSize_ = kDefaultBufferSize;
  std::size_t sectionBufferSize_ = kDefaultBufferSize;
};

}  // namespace norda
