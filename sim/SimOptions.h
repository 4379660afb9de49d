#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sim/RadioFaults.h"

namespace velmora::sim {

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

  // Parses the arguments after the program name; nullopt with a message in error when one is bad.
  static std::optional<SimOptions> Parse(const std::vector<std::string>& args, std::string* error);
  static const char* HelpText();
};

}  // namespace velmora::sim
