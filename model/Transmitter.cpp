#include "model/Transmitter.h"

#include <cmath>

namespace velmora::meter {

Transmitter::Transmitter(const TransmitterSettings& settings)
    : m_settings(settings), m_curve(settings.radioSeed) {}

void Transmitter::Key(double frequencyMHz, int level, ModelClock::time_point at) {
  const std::lock_guard lock(m_mutex);
  // A new point starts from whatever the amplifier gives now, as a real one would.
  m_from = WattsLocked(at);
  m_target = m_curve.Watts(frequencyMHz, level);
  m_frequencyMHz = frequencyMHz;
  m_since = at;
  m_keyedAt = at;
  m_keyed = true;
}

void Transmitter::Unkey() {
  const std::lock_guard lock(m_mutex);
  m_keyed = false;
}

double Transmitter::Watts(ModelClock::time_point at) const {
  const std::lock_guard lock(m_mutex);
  return WattsLocked(at);
}

double Transmitter::FrequencyMHz() const {
  const std::lock_guard lock(m_mutex);
  return m_frequencyMHz;
}

double Transmitter::WattsLocked(ModelClock::time_point at) const {
  if (!m_keyed || at - m_keyedAt >= m_settings.holdTime) return 0.0;
  if (at <= m_since) return m_from;
  const double tau = std::chrono::duration<double>(m_settings.settleTime).count();
  if (tau <= 0) return m_target;
  const double t = std::chrono::duration<double>(at - m_since).count();
  return m_target + (m_from - m_target) * std::exp(-t / tau);
}

}  // namespace velmora::meter
