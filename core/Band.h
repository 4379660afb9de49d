#pragma once

#include <array>
#include <optional>

namespace velmora {

// One of the radio's two bands; each has its own frequency plan and level tables.
enum class Band { A, B };

inline constexpr std::array<Band, 2> kBands{Band::A, Band::B};

// The band's place in the image and on the command line (A = 0, B = 1).
constexpr int BandIndex(Band band) { return static_cast<int>(band); }

// The band at that index; none for any index but 0 and 1.
constexpr std::optional<Band> BandAt(int index) {
  if (index == 0) return Band::A;
  if (index == 1) return Band::B;
  return std::nullopt;
}

}  // namespace velmora
