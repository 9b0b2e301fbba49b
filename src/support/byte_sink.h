#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace corvane {

// Where a writer puts bytes, in order. A sink that cannot take them raises
// ConduitError.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual void Write(const uint8_t* data, size_t size) = 0;
  void Write(const std::vector<uint8_t>& data) { Write(data.data(), data.size()); }
};

// Collects the bytes in memory.
class VectorSink : public ByteSink {
 public:
  explicit VectorSink(std::vector<uint8_t>& out) : out_(out) {}
  void Write(const uint8_t* data, size_t size) override {
    out_.insert(out_.end(), data, data + size);
  }

 private:
  std::vector<uint8_t>& out_;
};

}  // namespace corvane
