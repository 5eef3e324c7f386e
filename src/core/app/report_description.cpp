#include "core/app/report_description.h"

#include <vector>

#include "core/support/profile_file.h"

namespace norda {

std::u16string ReadDescriptionValue(const std::u16string& descriptionPath,
                                    const std::u16string& section, const std::u16string& key,
                                    std::size_t bufferUnits) {
  std::vector<char16_t> buffer(bufferUnits + 1, u'\0');
  const std::size_t n =
      ProfileReadString(section, key, u"", buffer.data(), bufferUnits, descriptionPath);
  return std::u16string(buffer.data(), n);
}

}  // namespace norda
