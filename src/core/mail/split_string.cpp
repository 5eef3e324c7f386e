#include "core/mail/split_string.h"

namespace norda {

std::vector<std::string> SplitString(const std::string& text, const std::string& separator) {
  if (text == separator) return {text};
  if (text.size() <= separator.size()) return {};
  if (separator.empty()) return {text};
  std::vector<std::string> pieces;
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = text.find(separator, start);
    if (at == std::string::npos) {
      // The text is taken as ending with the separator.
      if (start < text.size()) pieces.push_back(text.substr(start));
      return pieces;
    }
    pieces.push_back(text.substr(start, at - start));
    start = at + separator.size();
  }
}

}  // namespace norda
