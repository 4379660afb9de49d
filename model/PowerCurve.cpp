#include "model/PowerCurve.h"

#include <cmath>
#include <numbers>

namespace velmora::meter {
namespace {

constexpr double kBandSplitMHz = 300.0;  // below: VHF band A, above: UHF band B

struct BandShape {
  double lowMHz, highMHz;  // the span across which the curve tilts
  double saturationWatts;  // Psat at the band's middle
  double kneeLevel;        // L50 at the band's middle
  double powerTilt;        // relative change of Psat from the bottom to the top of the band
  double levelTilt;        // relative change of L50 likewise
};
constexpr BandShape kBandA{136.0, 174.0, 6.0, 100.0, -0.10, 0.08};
constexpr BandShape kBandB{400.0, 480.0, 5.5, 110.0, -0.14, 0.12};
constexpr double kSeedSpread = 0.06;  // a radio's Psat and L50 lie within ±6 % of the band's

const BandShape& Shape(double frequencyMHz) {
  return frequencyMHz < kBandSplitMHz ? kBandA : kBandB;
}

// Where the frequency lies across the band, -0.5 at the bottom to 0.5 at the top, with a gentle
// ripple so that neighbouring points are not on one straight line.
double Across(const BandShape& band, double frequencyMHz) {
  const double u = (frequencyMHz - band.lowMHz) / (band.highMHz - band.lowMHz) - 0.5;
  return u + 0.05 * std::sin(2 * std::numbers::pi * 3 * u);
}

// A fixed mixing of the seed into [-1, 1): the same radio seed gives the same radio everywhere.
double Spread(std::uint64_t seed, std::uint64_t salt) {
  std::uint64_t z = seed + salt * 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  z ^= z >> 31;
  return static_cast<double>(z >> 11) / static_cast<double>(1ull << 52) - 1.0;
}

}  // namespace

PowerCurve::PowerCurve(std::uint64_t radioSeed)
    : m_powerScale(1.0 + kSeedSpread * Spread(radioSeed, 1)),
      m_levelScale(1.0 + kSeedSpread * Spread(radioSeed, 2)) {}

double PowerCurve::SaturationWatts(double frequencyMHz) const {
  const BandShape& band = Shape(frequencyMHz);
  return band.saturationWatts * (1.0 + band.powerTilt * Across(band, frequencyMHz)) * m_powerScale;
}

double PowerCurve::KneeLevel(double frequencyMHz) const {
  const BandShape& band = Shape(frequencyMHz);
  return band.kneeLevel * (1.0 + band.levelTilt * Across(band, frequencyMHz)) * m_levelScale;
}

double PowerCurve::Watts(double frequencyMHz, int level) const {
  const double x = level / KneeLevel(frequencyMHz);
  return SaturationWatts(frequencyMHz) * (1.0 - std::exp(-x * x));
}

}  // namespace velmora::meter
