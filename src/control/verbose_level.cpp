#include "control/verbose_level.h"

#include <algorithm>
#include <cctype>

#include "support/conduit_error.h"

namespace corvane {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

[[noreturn]] void NotANumber() {
  throw ConduitError(err::kTypeMismatch, "Type mismatch");
}
[[noreturn]] void TooLarge() {
  throw ConduitError(err::kOverflow, "Overflow");
}

}  // namespace

int16_t ParseVerboseLevel(const std::string& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  size_t i = begin;
  bool negative = false;
  if (i < end && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // The whole part is accumulated with a cap, so that any run of digits is safe.
  constexpr long long kCap = 1000000;
  long long whole = 0;
  size_t digits = 0;
  for (; i < end && std::isdigit(static_cast<unsigned char>(text[i])); ++i, ++digits) {
    whole = std::min(kCap, whole * 10 + (text[i] - '0'));
  }
  // Rounding only needs to know whether the fraction is below, at or above one half.
  int versus_half = -1;
  if (i < end && text[i] == '.') {
    ++i;
    size_t first = i;
    for (; i < end && std::isdigit(static_cast<unsigned char>(text[i])); ++i, ++digits) {
    }
    if (i > first) {
      char lead = text[first];
      bool rest_nonzero = false;
      for (size_t k = first + 1; k < i; ++k) rest_nonzero |= text[k] != '0';
      if (lead > '5' || (lead == '5' && rest_nonzero))
        versus_half = 1;
      else if (lead == '5')
        versus_half = 0;
    }
  }
  if (digits == 0 || i != end) NotANumber();
  if (versus_half > 0 || (versus_half == 0 && whole % 2 == 1)) ++whole;
  long long value = negative ? -whole : whole;
  if (value < -32768 || value > 32767) TooLarge();
  return static_cast<int16_t>(value);
}

}  // namespace corvane
