// Filling the "%s" places of the string table's messages.
#pragma once

#include <vector>
#include <string>

namespace norda {

// Replaces each "%s" of format, left to right, by the next argument (an empty
// text when the arguments run out); "%%" gives "%". Other "%" sequences stay.
std::u16string FormatText(const std::u16string& format,
                          const std::vector<std::u16string>& arguments);

}  // namespace norda
