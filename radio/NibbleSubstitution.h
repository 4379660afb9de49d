#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "radio/ProtocolConstants.h"

// Block data on the wire: each nibble of a byte goes through the substitution S (sending) or its
// inverse (receiving). Plain C++, shared by the host side and the simulated radio.
namespace velmora::protocol {

using NibbleTable = std::array<std::uint8_t, 16>;

constexpr NibbleTable InverseOf(const NibbleTable& table) {
  NibbleTable inverse{};
  for (std::uint8_t i = 0; i < 16; ++i) inverse[table[i]] = i;
  return inverse;
}

inline constexpr NibbleTable kInverseSubstitution = InverseOf(kSubstitution);

constexpr std::uint8_t SubstituteNibbles(std::uint8_t byte, const NibbleTable& table) {
  return static_cast<std::uint8_t>(table[byte >> 4] << 4 | table[byte & 0x0F]);
}

inline void SubstituteNibbles(std::span<std::uint8_t> bytes, const NibbleTable& table) {
  for (auto& b : bytes) b = SubstituteNibbles(b, table);
}

}  // namespace velmora::protocol
