#include "link/wire_bytes.h"

#include <algorithm>

#include "support/conduit_error.h"

namespace corvane::link {

void WireReader::Fail(const std::string& problem) const {
  throw ConduitError(err::kLinkMalformed, what_ + ": " + problem);
}

std::span<const uint8_t> WireReader::Take(size_t size) {
  if (size > left()) {
    Fail(std::to_string(size) + " bytes wanted at offset " + std::to_string(at_) + ", " +
         std::to_string(left()) + " left");
  }
  const std::span<const uint8_t> part = bytes_.subspan(at_, size);
  at_ += size;
  return part;
}

uint8_t WireReader::U8() {
  return Take(1)[0];
}

uint16_t WireReader::U16() {
  return GetU16(Take(2).data());
}

uint32_t WireReader::U32() {
  return GetU32(Take(4).data());
}

std::vector<uint8_t> WireReader::Copy(size_t size) {
  const std::span<const uint8_t> part = Take(size);
  return std::vector<uint8_t>(part.begin(), part.end());
}

std::span<const uint8_t> WireReader::Rest() {
  return Take(left());
}

std::string WireReader::Text(size_t size) {
  const std::span<const uint8_t> part = Take(size);
  const auto end = std::find(part.begin(), part.end(), uint8_t{0});
  return std::string(part.begin(), end);
}

WireWriter& WireWriter::U8(uint8_t value) {
  bytes_.push_back(value);
  return *this;
}

WireWriter& WireWriter::U16(uint16_t value) {
  return U8(static_cast<uint8_t>(value >> 8)).U8(static_cast<uint8_t>(value));
}

WireWriter& WireWriter::U32(uint32_t value) {
  return U16(static_cast<uint16_t>(value >> 16)).U16(static_cast<uint16_t>(value));
}

WireWriter& WireWriter::Append(std::span<const uint8_t> bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return *this;
}

WireWriter& WireWriter::TextZ(const std::string& text) {
  bytes_.insert(bytes_.end(), text.begin(), text.end());
  return U8(0);
}

}  // namespace corvane::link
