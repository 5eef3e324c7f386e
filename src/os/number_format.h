// The locale's number separators.
#pragma once

#include <string>

namespace os {

struct NumberSeparators {
  std::u16string thousands = u",";
  std::u16string decimal = u".";
};

// The system locale's thousands and decimal separators; "," and "." where the
// locale gives none.
NumberSeparators LocaleNumberSeparators();

}  // namespace os
