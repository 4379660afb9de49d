#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace velmora {

// velmora-cli stats: a lot's process statistics from the production records, as HTML, CSV or
// JSON by the output's extension.
class StatsCommand {
 public:
  static int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
};

}  // namespace velmora
