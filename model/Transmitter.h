#pragma once

#include <chrono>
#include <mutex>

#include "model/PowerCurve.h"

namespace velmora::meter {

using ModelClock = std::chrono::steady_clock;

// How the simulated radio's power amplifier behaves once keyed.
struct TransmitterSettings {
  std::uint64_t radioSeed = 0;
  std::chrono::milliseconds settleTime{100};  // first-order time constant towards a new power
  std::chrono::seconds holdTime{30};          // the radio unkeys itself this long after keying
};

// The simulated radio's transmitter: keyed by a live command at a point's frequency and level, its
// power moves towards the curve's value with a first-order lag and drops to nothing on Unkey or
// when the hold time has passed. Any thread may call it.
class Transmitter {
 public:
  explicit Transmitter(const TransmitterSettings& settings = {});

  void Key(double frequencyMHz, int level, ModelClock::time_point at);
  void Unkey();
  // The power at the antenna at that moment, in watts; 0 when not transmitting.
  double Watts(ModelClock::time_point at) const;
  double FrequencyMHz() const;
  const PowerCurve& curve() const { return m_curve; }

 private:
  double WattsLocked(ModelClock::time_point at) const;

  TransmitterSettings m_settings;
  PowerCurve m_curve;
  mutable std::mutex m_mutex;
  bool m_keyed = false;
  ModelClock::time_point m_since{};  // when the power last started moving
  ModelClock::time_point m_keyedAt{};
  double m_from = 0;    // watts when it started moving
  double m_target = 0;  // watts it moves towards
  double m_frequencyMHz = 0;
};

}  // namespace velmora::meter
