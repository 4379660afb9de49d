#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace velmora {

// velmora-cli ports: COM1..COM9 as this machine maps them, with what is known of each device
// and whether it can be opened right now.
class PortsCommand {
 public:
  static int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
};

}  // namespace velmora
