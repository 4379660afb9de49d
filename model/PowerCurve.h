#pragma once

#include <cstdint>

namespace velmora::meter {

// The simulated radio's transmit power as a function of the live level: a smooth, monotone curve
// that saturates at the top, different per band and frequency, shifted per radio by its seed.
//   P(level) = Psat * (1 - exp(-(level / L50)^2))
// Psat and L50 are the band's values, tilted across the band by frequency and scaled by the seed.
class PowerCurve {
 public:
  explicit PowerCurve(std::uint64_t radioSeed = 0);

  // Watts at the antenna for this level (0-255) at this frequency; band from the frequency.
  double Watts(double frequencyMHz, int level) const;
  double SaturationWatts(double frequencyMHz) const;
  double KneeLevel(double frequencyMHz) const;  // L50: the knee, where power is (1 - 1/e) of Psat

 private:
  double m_powerScale;  // the radio's own output, 0.94 .. 1.06 of the band's
  double m_levelScale;  // the radio's own gain, 0.94 .. 1.06 of the band's L50
};

}  // namespace velmora::meter
