#pragma once

#include <string>
#include <variant>

#include "support/clock.h"

namespace corvane {

// A value of any of the kinds the date and emptiness helpers accept.
class Value {
 public:
  struct Null {};
  struct Empty {};  // never assigned
  struct Object {
    bool refers_to_something = false;
  };

  static Value MakeNull() { return Value(Null{}); }
  static Value MakeEmpty() { return Value(Empty{}); }
  static Value Nothing() { return Value(Object{false}); }
  static Value SomeObject() { return Value(Object{true}); }
  static Value DateTime(const LocalDateTime& t) { return Value(t); }
  static Value Number(double n) { return Value(n); }
  static Value Text(std::string s) { return Value(std::move(s)); }

  using Data = std::variant<Null, Empty, Object, LocalDateTime, double, std::string>;
  const Data& data() const { return data_; }

 private:
  explicit Value(Data d) : data_(std::move(d)) {}
  Data data_;
};

// "0" before a single digit: 9 -> "09", 10 -> "10".
std::string TwoDigits(int n);
// year-month-day hour:minute:second for a date-time; "" for anything else.
std::string ODBCDateTime(const Value& x);
// year-month-day for a date-time; anything else comes back unchanged.
Value ODBCDate(const Value& x);
// Null, empty, an object reference to nothing, or the empty text.
bool IsNEES(const Value& x);
// An object reference to nothing.
bool isNothing(const Value& x);

}  // namespace corvane
