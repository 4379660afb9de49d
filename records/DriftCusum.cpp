#include "records/DriftCusum.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace velmora {
namespace {

// The median of |x - y| for two independent normal values of sigma 1: sqrt(2) * 0.6745.
constexpr double kMedianRangePerSigma = 0.9539;

double Mean(const std::vector<double>& values, std::size_t from, std::size_t to) {
  return std::accumulate(values.begin() + long(from), values.begin() + long(to), 0.0) /
         double(to - from);
}

}  // namespace

double DriftCusum::ShortTermSigma(const std::vector<double>& series) {
  if (series.size() < 2) return 0;
  std::vector<double> ranges;
  for (std::size_t i = 1; i < series.size(); ++i)
    ranges.push_back(std::abs(series[i] - series[i - 1]));
  auto middle = ranges.begin() + long(ranges.size() / 2);
  std::nth_element(ranges.begin(), middle, ranges.end());
  return *middle / kMedianRangePerSigma;
}

void DriftCusum::Restart(std::size_t from) {
  m_baselineFrom = from;
  m_target.reset();
  m_upper = m_lower = 0;
}

void DriftCusum::Learn() {
  m_target = Mean(m_series, m_baselineFrom, m_series.size());
  m_upperStart = m_lowerStart = m_series.size();
}

std::optional<DriftCusum::Alarm> DriftCusum::Add(double offset) {
  const std::size_t index = m_series.size();
  m_series.push_back(offset);
  if (!m_target) {
    if (m_series.size() - m_baselineFrom >= kBaselineRadios) Learn();
    m_steps.push_back({});
    return std::nullopt;
  }
  const double z = (offset - *m_target) / m_sigma;
  m_upper = std::max(0.0, m_upper + z - kAllowance);
  m_lower = std::max(0.0, m_lower - z - kAllowance);
  if (m_upper == 0) m_upperStart = index + 1;
  if (m_lower == 0) m_lowerStart = index + 1;
  const bool alarm = m_upper > kLimit || m_lower > kLimit;
  m_steps.push_back({m_upper, m_lower, alarm});
  if (!alarm) return std::nullopt;
  const std::size_t start = m_upper > kLimit ? m_upperStart : m_lowerStart;
  const Alarm raised{start, index, Mean(m_series, start, index + 1) - *m_target};
  // The radios that raised the alarm were picked for being extreme: the new level is learnt from
  // the radios after them.
  Restart(index + 1);
  return raised;
}

}  // namespace velmora
