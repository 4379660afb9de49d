#pragma once

#include <cstddef>
#include <optional>
#include <vector>

namespace velmora {

// A two-sided tabular CUSUM over one station's series of radio offsets, in units of the series'
// own short-term sigma. It learns its in-control level from the first radios, and after an alarm
// from the radios after it, so a step is reported once and the next one can be seen.
class DriftCusum {
 public:
  static constexpr double kAllowance = 0.5;  // k: half the smallest shift worth catching (1 sigma)
  static constexpr double kLimit = 6.0;  // h: over a thousand stable radios between false alarms
  static constexpr std::size_t kBaselineRadios = 40;

  struct Alarm {
    std::size_t start = 0;  // the first radio after the step
    std::size_t at = 0;     // the radio whose offset raised the alarm
    double shift = 0;       // the new level less the old, in the offsets' units
  };
  struct Step {
    double upper = 0;  // the statistics after this radio, in sigmas
    double lower = 0;
    bool alarm = false;
  };

  // The sigma of a series from its median moving range: a step or a single odd radio moves one
  // or two ranges, not the median.
  static double ShortTermSigma(const std::vector<double>& series);

  explicit DriftCusum(double sigma) : m_sigma(sigma > 0 ? sigma : 1.0) {}
  // Feeds the next radio's offset; the alarm it raises, if any.
  std::optional<Alarm> Add(double offset);
  const std::vector<Step>& steps() const { return m_steps; }

 private:
  void Restart(std::size_t from);
  void Learn();  // the in-control level: the mean of the radios since the restart

  double m_sigma;
  std::vector<double> m_series;
  std::vector<Step> m_steps;
  std::size_t m_baselineFrom = 0;
  std::optional<double> m_target;
  double m_upper = 0, m_lower = 0;
  std::size_t m_upperStart = 0, m_lowerStart = 0;  // where each statistic last left zero
};

}  // namespace velmora
