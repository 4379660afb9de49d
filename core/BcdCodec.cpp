#include "core/BcdCodec.h"

#include <string>

namespace velmora {

std::int32_t BcdDecode(std::int32_t value) {
  static constexpr char kHex[] = "0123456789abcdef";
  auto bits = static_cast<std::uint32_t>(value);
  std::string hex;
  do {
    hex.insert(hex.begin(), kHex[bits & 0xF]);
    bits >>= 4;
  } while (bits != 0);
  std::int32_t decimal = 0;  // at most eight digits, so it always fits
  for (char c : hex) {
    if (c < '0' || c > '9') break;
    decimal = decimal * 10 + (c - '0');
  }
  return decimal;
}

std::int32_t BcdEncode(std::int32_t value) {
  const std::string text = std::to_string(value);
  std::uint64_t sum =
      0;  // wide and unsigned: values outside the domain wrap instead of overflowing
  std::uint64_t weight = 1;
  for (auto it = text.rbegin(); it != text.rend(); ++it) {
    sum += static_cast<std::uint64_t>(HexDigitValue(*it)) * weight;
    weight *= 16;
  }
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(sum));
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return 15;
}

}  // namespace velmora
