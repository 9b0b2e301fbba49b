#include "support/integer_text.h"

#include "support/conduit_error.h"

namespace corvane {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

int16_t TextToInt16(std::string_view text) {
  const ConduitError mismatch(err::kTypeMismatch, "Type mismatch");
  const ConduitError overflow(err::kOverflow, "Overflow");
  std::string_view t = text;
  while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
  while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
  bool negative = false;
  if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
    negative = t[0] == '-';
    t.remove_prefix(1);
  }
  size_t dot = t.find('.');
  std::string_view whole = t.substr(0, dot);
  std::string_view fraction =
      dot == std::string_view::npos ? std::string_view{} : t.substr(dot + 1);
  if (whole.empty() && fraction.empty()) throw mismatch;
  for (char c : whole)
    if (!IsDigit(c)) throw mismatch;
  for (char c : fraction)
    if (!IsDigit(c)) throw mismatch;

  // Far beyond the 16-bit range; stop counting before the number can wrap.
  int64_t value = 0;
  for (char c : whole) {
    value = value * 10 + (c - '0');
    if (value > 100000) throw overflow;
  }
  // Half to even: compare the fraction with one half.
  if (!fraction.empty()) {
    std::string_view digits = fraction;
    bool above_half = false, exactly_half = false;
    if (digits[0] > '5') {
      above_half = true;
    } else if (digits[0] == '5') {
      exactly_half = digits.find_first_not_of('0', 1) == std::string_view::npos;
      above_half = !exactly_half;
    }
    if (above_half || (exactly_half && value % 2 == 1)) ++value;
  }
  if (negative) value = -value;
  if (value < INT16_MIN || value > INT16_MAX) throw overflow;
  return static_cast<int16_t>(value);
}

}  // namespace corvane
