#include "common/parse_number.h"

#include <stdlib.h>

namespace corvane {

bool ParseNumber(const std::string& text, double& value) {
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return !text.empty() && end && *end == '\0' && value >= 0;
}

}  // namespace corvane
