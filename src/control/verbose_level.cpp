#include "control/verbose_level.h"

#include "support/integer_text.h"

namespace corvane {

int16_t ParseVerboseLevel(const std::string& text) {
  // The file may end with a line break or hold tabs around the number.
  constexpr const char* kWhiteSpace = " \t\r\n\v\f";
  size_t begin = text.find_first_not_of(kWhiteSpace);
  if (begin == std::string::npos) return TextToInt16("");
  size_t end = text.find_last_not_of(kWhiteSpace);
  return TextToInt16(std::string_view(text).substr(begin, end - begin + 1));
}

}  // namespace corvane
