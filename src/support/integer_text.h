#pragma once

#include <cstdint>
#include <string_view>

namespace corvane {

// A text as a 16-bit signed whole number, the way the PC application's
// number fields are read: spaces around it and a sign are accepted, a
// fraction is rounded half to even. Raises ConduitError err::kTypeMismatch
// for a text that is not a number and err::kOverflow outside -32768..32767.
int16_t TextToInt16(std::string_view text);

}  // namespace corvane
