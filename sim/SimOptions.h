#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/SimulatedMeter.h"
#include "model/Transmitter.h"
#include "sim/RadioFaults.h"

namespace velmora::sim {

// The simulated power meter that watches the radio's transmitter, when asked for.
struct MeterOptions {
  bool enabled = false;  // --meter given
  std::string host;
  int port = 0;  // 0: any free port
  // A fifth of the example plan's 150 ms settling: its reading is within 1 % of the final power.
  meter::TransmitterSettings transmitter{.settleTime = std::chrono::milliseconds(30)};
  meter::MeterSettings meter;
  double attenuatorDb = 0;  // the pad between the radio and the sensor, as on a real bench
};

// The command line of velmora-radio-sim.
struct SimOptions {
  std::string linkPath;    // --link
  std::string memoryPath;  // --memory
  std::string logPath;     // --log ("-" for stderr)
  bool factory = false;
  bool paced = false;
  bool help = false;
  bool version = false;
  RadioFaults faults;
  MeterOptions meter;

  // Parses the arguments after the program name; nullopt with a message in error when one is bad.
  static std::optional<SimOptions> Parse(const std::vector<std::string>& args, std::string* error);
  static const char* HelpText();
};

}  // namespace velmora::sim
