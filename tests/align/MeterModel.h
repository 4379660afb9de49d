#pragma once

#include <random>
#include <vector>

#include "align/PowerProbe.h"

namespace velmora::test {

// A bench in a box: the radio's power against its level (smooth, monotone, saturating, other
// per band and point, shifted per radio by the seed) read by a meter with relative noise that
// its averaging divides by the square root of the count. Records every request it was given.
// The radio holds the last tuned level, so a reading alone reads it again.
class MeterModel : public PowerProbe {
 public:
  enum class Curve { Saturating, Flat, Falling };
  static constexpr double kKeyedSecondsPerTry = 0.5;

  MeterModel(unsigned seed, double noise, int averaging, Curve curve = Curve::Saturating);

  double TruePower(int band, int point, int level) const;
  ProbeReading Measure(const ProbeRequest& request) override;
  ProbeReading Reread(const ProbeRequest& request) override;

  int failAfter = -1;                  // tries answered before the meter fails for good; -1: never
  std::vector<ProbeRequest> requests;  // every reading asked for, a live tune or not
  int liveTunes = 0;

 private:
  ProbeReading Read(const ProbeRequest& request);

  Curve m_curve;
  double m_sigma;
  double m_phase;
  std::mt19937 m_random;
};

}  // namespace velmora::test
