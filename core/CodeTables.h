#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace velmora {

using Code32 = std::array<std::uint8_t, 4>;

struct CodeEntry {
  std::string_view text;
  Code32 bytes;
};

inline constexpr std::array<CodeEntry, 4> kCrystalTable{{
    {"19200K", {0x0C, 0x00, 0x0F, 0x00}},
    {"14400K", {0x09, 0x00, 0x0B, 0x40}},
    {"13000K", {0x08, 0x20, 0x0A, 0x28}},
    {"12800K", {0x08, 0x00, 0x0A, 0x00}},
}};
inline constexpr std::array<CodeEntry, 8> kIfTable{{
    {"38550K", {0x60, 0x18, 0x78, 0x1E}},
    {"38850K", {0x61, 0x08, 0x79, 0x1A}},
    {"21700K", {0x36, 0x10, 0x43, 0x34}},
    {"19650K", {0x31, 0x08, 0x3D, 0x1A}},
    {"26450K", {0x42, 0x08, 0x52, 0x2A}},
    {"25550K", {0x3F, 0x38, 0x4F, 0x36}},
    {"29250K", {0x49, 0x08, 0x5B, 0x1A}},
    {"21400K", {0x35, 0x20, 0x42, 0x38}},
}};
inline constexpr int kCrystalFallback = 1;
inline constexpr int kIfFallback = 6;

int CrystalCodeToIndex(std::span<const std::uint8_t, 4> code);
Code32 CrystalIndexToCode(int index);
int IfCodeToIndex(std::span<const std::uint8_t, 4> code);
Code32 IfIndexToCode(int index);

}  // namespace velmora
