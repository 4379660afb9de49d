#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <random>
#include <string>

#include "model/MeterFaults.h"
#include "model/Transmitter.h"

namespace velmora::meter {

struct MeterSettings {
  double noise = 0.005;  // relative standard deviation of one sample
  std::uint64_t seed = 0;
  MeterFaults faults;
};

// A generic SCPI power meter as a pure state machine: give it one command line and the moment it
// arrives, get the answer line back (nothing for commands without an answer, or when silent).
// A reading is the power the source gives at that moment with relative noise that shrinks with
// the square root of the averaging count, plus the attenuator offset, in watts or dBm.
class SimulatedMeter {
 public:
  using PowerSource = std::function<double(ModelClock::time_point)>;  // watts at the sensor

  static constexpr const char* kIdentification = "Velmora,PM-SIM1,0,1.0";
  static constexpr double kOverrange = 9.9e37;           // SCPI's "not a number" reading
  static constexpr double kUnzeroedOffsetWatts = 20e-6;  // drift that zeroing removes
  static constexpr double kNoiseFloorWatts = 1e-9;       // a sensor with nothing on it

  SimulatedMeter(PowerSource source, const MeterSettings& settings);

  std::optional<std::string> Handle(const std::string& line, ModelClock::time_point at);
  const MeterFaults& faults() const { return m_settings.faults; }

 private:
  void Reset();
  std::optional<std::string> Query(const std::string& header, ModelClock::time_point at);
  bool Set(const std::string& header, const std::string& argument);
  std::string Reading(ModelClock::time_point at);
  double Gaussian();
  void PushError(int code);

  PowerSource m_source;
  MeterSettings m_settings;
  std::mt19937_64 m_random;
  std::deque<std::string> m_errors;
  std::optional<std::string> m_stuckReading;
  double m_frequencyHz = 50e6;
  int m_averaging = 1;
  double m_offsetDb = 0;
  bool m_watts = false;
  bool m_zeroed = false;
};

}  // namespace velmora::meter
