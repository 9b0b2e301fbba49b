#include "support/integer_text.h"

#include <gtest/gtest.h>

#include <string>

#include "support/conduit_error.h"

namespace corvane {
namespace {

TEST(TextToInt16Test, Numbers) {
  struct Case {
    const char* text;
    int16_t value;
  } cases[] = {
      {"0", 0},      {"  42  ", 42}, {"+7", 7},  {"-32768", -32768}, {"32767", 32767},
      {"007", 7},    {"2.5", 2},     {"3.5", 4}, {"-2.5", -2},       {"2.51", 3},
      {"2.4999", 2}, {".6", 1},      {"5.", 5},  {"32767.4", 32767}, {"-0", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(TextToInt16(c.text), c.value) << c.text;
}

TEST(TextToInt16Test, Refusals) {
  struct Case {
    const char* text;
    int32_t number;
  } cases[] = {
      {"", err::kTypeMismatch},      {"   ", err::kTypeMismatch},
      {"three", err::kTypeMismatch}, {"1 2", err::kTypeMismatch},
      {"\t1", err::kTypeMismatch},   {"1e3", err::kTypeMismatch},
      {"--1", err::kTypeMismatch},   {".", err::kTypeMismatch},
      {"32768", err::kOverflow},     {"-32769", err::kOverflow},
      {"32767.5", err::kOverflow},   {"99999999999999999999", err::kOverflow},
  };
  for (const Case& c : cases) {
    try {
      TextToInt16(c.text);
      ADD_FAILURE() << "accepted " << c.text;
    } catch (const ConduitError& e) {
      EXPECT_EQ(e.number(), c.number) << c.text;
    }
  }
}

}  // namespace
}  // namespace corvane
