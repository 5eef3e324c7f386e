// Cutting an 8-bit list such as "a@x,b@y" into its pieces.
#pragma once

#include <string>
#include <vector>

namespace norda {

// The pieces of text between occurrences of separator, left to right, empty
// pieces included, nothing trimmed; a final separator is optional. A text
// equal to the separator is its own one piece; a text not longer than the
// separator (the empty text among them) has no pieces. With an empty
// separator a non-empty text is one piece.
std::vector<std::string> SplitString(const std::string& text, const std::string& separator);

}  // namespace norda
