#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace velmora {

// Bytes as the traces, the logs and the field listings show them: "52 0F 80".
class HexText {
 public:
  static std::string Bytes(std::span<const std::uint8_t> bytes);
};

}  // namespace velmora
