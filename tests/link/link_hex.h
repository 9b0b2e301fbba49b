#pragma once

#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

namespace corvane::testing {

// Bytes from hex written with spaces between the fields, as the tests of
// the protocol code give messages: "12 01 20 04 00010004".
inline std::vector<uint8_t> Unhex(const std::string& text) {
  std::string digits;
  for (char c : text) {
    if (!std::isspace(static_cast<unsigned char>(c))) digits += c;
  }
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < digits.size(); i += 2) {
    bytes.push_back(static_cast<uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

}  // namespace corvane::testing
