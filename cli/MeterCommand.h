#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace velmora {

// velmora-cli meter: the bench power meter's identification, one reading, or zeroing it.
class MeterCommand {
 public:
  static int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
};

}  // namespace velmora
