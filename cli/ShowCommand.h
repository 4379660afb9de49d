#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace velmora {

// velmora-cli show FILE.dat: every field of a calibration file in readable form.
class ShowCommand {
 public:
  static int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
};

}  // namespace velmora
