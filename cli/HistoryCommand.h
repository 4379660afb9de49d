#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace velmora {

// velmora-cli history SERIAL [--json]: every job done to one radio, newest first.
class HistoryCommand {
 public:
  static int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
};

}  // namespace velmora
