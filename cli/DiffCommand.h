#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace velmora {

// velmora-cli diff A.dat B.dat: the fields that differ, with byte offsets; exit 0 when equal.
class DiffCommand {
 public:
  static int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
};

}  // namespace velmora
