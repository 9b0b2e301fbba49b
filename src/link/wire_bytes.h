#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace corvane::link {

// Big-endian fields as the Palm protocols lay them out. The reader works on
// a span it does not own and checks every field against what is left, so a
// length that points past the end is refused before anything is copied or
// allocated.
class WireReader {
 public:
  // what names the message, for the error ("ReadUserInfo answer").
  WireReader(std::span<const uint8_t> bytes, std::string what)
      : bytes_(bytes), what_(std::move(what)) {}

  uint8_t U8();
  uint16_t U16();
  uint32_t U32();
  // The next size bytes.
  std::span<const uint8_t> Take(size_t size);
  std::vector<uint8_t> Copy(size_t size);
  // Skips size bytes.
  void Skip(size_t size) { Take(size); }
  // Everything left.
  std::span<const uint8_t> Rest();
  // A text of size bytes; it ends at its first zero if it has one.
  std::string Text(size_t size);

  size_t left() const { return bytes_.size() - at_; }
  // Raises kLinkMalformed naming the message: "<what>: <problem>".
  [[noreturn]] void Fail(const std::string& problem) const;

 private:
  std::span<const uint8_t> bytes_;
  size_t at_ = 0;
  std::string what_;
};

// Builds a message field by field.
class WireWriter {
 public:
  WireWriter() = default;
  // Room for size bytes up front, for a message whose size is known.
  explicit WireWriter(size_t size) { bytes_.reserve(size); }

  WireWriter& U8(uint8_t value);
  WireWriter& U16(uint16_t value);
  WireWriter& U32(uint32_t value);
  WireWriter& Append(std::span<const uint8_t> bytes);
  // The text and its terminating zero.
  WireWriter& TextZ(const std::string& text);

  const std::vector<uint8_t>& bytes() const { return bytes_; }
  std::vector<uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<uint8_t> bytes_;
};

// The big-endian value stored at data.
inline uint16_t GetU16(const uint8_t* data) {
  return static_cast<uint16_t>(data[0] << 8 | data[1]);
}
inline uint32_t GetU32(const uint8_t* data) {
  return uint32_t{data[0]} << 24 | uint32_t{data[1]} << 16 | uint32_t{data[2]} << 8 | data[3];
}

}  // namespace corvane::link
