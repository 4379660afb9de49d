#include "core/CodeTables.h"

#include <algorithm>

namespace velmora {
namespace {

template <std::size_t N>
int CodeToIndex(const std::array<CodeEntry, N>& table, std::span<const std::uint8_t, 4> code,
                int fallback) {
  for (std::size_t i = 0; i < N; ++i) {
    if (std::equal(code.begin(), code.end(), table[i].bytes.begin())) return static_cast<int>(i);
  }
  return fallback;
}

template <std::size_t N>
Code32 IndexToCode(const std::array<CodeEntry, N>& table, int index, int fallback) {
  const bool listed = index >= 0 && static_cast<std::size_t>(index) < N;
  return table[static_cast<std::size_t>(listed ? index : fallback)].bytes;
}

}  // namespace

int CrystalCodeToIndex(std::span<const std::uint8_t, 4> code) {
  return CodeToIndex(kCrystalTable, code, kCrystalFallback);
}
Code32 CrystalIndexToCode(int index) { return IndexToCode(kCrystalTable, index, kCrystalFallback); }
int IfCodeToIndex(std::span<const std::uint8_t, 4> code) {
  return CodeToIndex(kIfTable, code, kIfFallback);
}
Code32 IfIndexToCode(int index) { return IndexToCode(kIfTable, index, kIfFallback); }

}  // namespace velmora
