// System texts from a map: codes not in the map have no text.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "common/system_text.h"

namespace doubles {

class MapSystemText : public common::ISystemText {
 public:
  MapSystemText() = default;
  explicit MapSystemText(std::map<std::uint32_t, std::string> texts) : texts(std::move(texts)) {}

  std::string RawMessage(std::uint32_t code) const override {
    auto it = texts.find(code);
    return it == texts.end() ? std::string() : it->second;
  }

  std::map<std::uint32_t, std::string> texts;
};

}  // namespace doubles
