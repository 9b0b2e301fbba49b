#include "support/date_text.h"

namespace corvane {

std::string TwoDigits(int n) {
  return (n < 10 ? "0" : "") + std::to_string(n);
}

bool isNothing(const Value& x) {
  auto* o = std::get_if<Value::Object>(&x.data());
  return o && !o->refers_to_something;
}

bool IsNEES(const Value& x) {
  const auto& d = x.data();
  if (std::holds_alternative<Value::Null>(d) || std::holds_alternative<Value::Empty>(d)) {
    return true;
  }
  if (isNothing(x)) return true;
  auto* s = std::get_if<std::string>(&d);
  return s && s->empty();
}

std::string ODBCDateTime(const Value& x) {
  auto* t = std::get_if<LocalDateTime>(&x.data());
  if (!t || IsNEES(x)) return "";
  return std::to_string(t->year) + "-" + TwoDigits(t->month) + "-" + TwoDigits(t->day) + " " +
         TwoDigits(t->hour) + ":" + TwoDigits(t->minute) + ":" + TwoDigits(t->second);
}

Value ODBCDate(const Value& x) {
  auto* t = std::get_if<LocalDateTime>(&x.data());
  if (!t) return x;
  return Value::Text(std::to_string(t->year) + "-" + TwoDigits(t->month) + "-" + TwoDigits(t->day));
}

}  // namespace corvane
