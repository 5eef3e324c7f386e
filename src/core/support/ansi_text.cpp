#include "core/support/ansi_text.h"

#include "os/code_page.h"

namespace norda {
namespace {

// Bytes taken by the character that begins at position i. (A lead byte is
// never ASCII, so an ASCII byte met here is a character of its own.)
std::size_t CharacterLength(std::string_view text, std::size_t i, std::uint32_t codePage) {
  return i + 1 < text.size() && os::IsLeadByte(codePage, text[i]) ? 2 : 1;
}

}  // namespace

void ReplaceAnsi(std::string& text, char from, char to, std::uint32_t codePage) {
  for (std::size_t i = 0; i < text.size(); i += CharacterLength(text, i, codePage)) {
    if (text[i] == from) text[i] = to;
  }
}

}  // namespace norda
