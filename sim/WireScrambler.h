#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "radio/ProtocolConstants.h"

namespace velmora::sim {

// The radio's side of the block-data nibble substitution: it scrambles what it sends with S and
// unscrambles what it receives with the inverse of S, exactly as the host does the other way round.
class WireScrambler {
 public:
  static constexpr std::uint8_t Scramble(std::uint8_t value) {
    return Map(value, protocol::kSubstitution);
  }
  static constexpr std::uint8_t Unscramble(std::uint8_t value) { return Map(value, Inverse()); }
  static void ScrambleInPlace(std::span<std::uint8_t> bytes) {
    for (auto& b : bytes) b = Scramble(b);
  }
  static void UnscrambleInPlace(std::span<std::uint8_t> bytes) {
    for (auto& b : bytes) b = Unscramble(b);
  }

 private:
  using Table = std::array<std::uint8_t, 16>;
  static constexpr std::uint8_t Map(std::uint8_t value, const Table& table) {
    return static_cast<std::uint8_t>(table[value >> 4] << 4 | table[value & 0x0F]);
  }
  static constexpr Table Inverse() {
    Table inverse{};
    for (std::uint8_t i = 0; i < 16; ++i) inverse[protocol::kSubstitution[i]] = i;
    return inverse;
  }
};

}  // namespace velmora::sim
