#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace velmora {

// velmora-cli report: one CSV row per calibration file with every field decoded, for a line's
// records.
class ReportCommand {
 public:
  static int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
};

}  // namespace velmora
