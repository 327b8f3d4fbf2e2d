// Helpers shared by the fuzz targets: a check that stops the run with the
// failed condition, and a reader that takes structured values from the
// fuzzer's bytes (zeros once the bytes run out, so every input is valid).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (false)

namespace fuzz {

class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  bool Empty() const { return pos_ >= bytes_.size(); }

  std::uint8_t Byte() { return pos_ < bytes_.size() ? bytes_[pos_++] : 0; }

  // Little-endian; missing bytes are zero.
  std::uint32_t U32() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(Byte()) << (8 * i);
    return value;
  }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }

  // Up to `count` bytes: fewer when the input ends first.
  std::vector<std::uint8_t> Bytes(std::size_t count) {
    const std::size_t n = std::min(count, bytes_.size() - std::min(pos_, bytes_.size()));
    std::vector<std::uint8_t> out(bytes_.begin() + static_cast<std::ptrdiff_t>(pos_),
                                  bytes_.begin() + static_cast<std::ptrdiff_t>(pos_ + n));
    pos_ += n;
    return out;
  }

  // A text of a length given by one byte.
  std::string Text() {
    const auto bytes = Bytes(Byte());
    return std::string(bytes.begin(), bytes.end());
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
};

}  // namespace fuzz
