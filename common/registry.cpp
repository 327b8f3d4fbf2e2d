#include "registry.h"

namespace common {

std::vector<std::uint8_t> RegSzBytes(std::string_view text) {
  std::vector<std::uint8_t> bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

std::vector<std::uint8_t> RegDwordBytes(std::int32_t value) {
  const auto u = static_cast<std::uint32_t>(value);
  return {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
          static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24)};
}

}  // namespace common
