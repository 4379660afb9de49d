#include "MeterModel.h"

#include <cmath>

namespace velmora::test {

MeterModel::MeterModel(unsigned seed, double noise, int averaging, Curve curve)
    : m_curve(curve), m_sigma(noise / std::sqrt(double(averaging))), m_random(seed) {
  m_phase = std::uniform_real_distribution<double>(0, 6.283)(m_random);
}

double MeterModel::TruePower(int band, int point, int level) const {
  const double l = level;
  switch (m_curve) {
    case Curve::Flat:
      return 1.0;
    case Curve::Falling:
      return 6.5 * std::exp(-l / 100);
    case Curve::Saturating:
      break;
  }
  const double saturation = (band == 0 ? 6.8 : 7.0) * (1 + 0.06 * std::sin(0.4 * point + m_phase));
  const double knee = (band == 0 ? 135 : 150) * (1 + 0.05 * std::cos(0.3 * point + m_phase));
  return saturation * (1 - std::exp(-(l / knee) * (l / knee)));
}

ProbeReading MeterModel::Measure(const ProbeRequest& request) {
  ++liveTunes;
  return Read(request);
}

ProbeReading MeterModel::Reread(const ProbeRequest& request) {
  const bool sameLevel = !requests.empty() && requests.back().band == request.band &&
                         requests.back().point == request.point &&
                         requests.back().level == request.level;
  return sameLevel ? Read(request) : Measure(request);
}

ProbeReading MeterModel::Read(const ProbeRequest& request) {
  requests.push_back(request);
  if (failAfter >= 0 && int(requests.size()) > failAfter)
    return {0, kKeyedSecondsPerTry, "-230,\"Data corrupt or stale\""};
  const double noise = std::normal_distribution<double>(0, m_sigma)(m_random);
  return {
      TruePower(request.band, request.point, request.level) * (1 + noise), kKeyedSecondsPerTry, {}};
}

}  // namespace velmora::test
