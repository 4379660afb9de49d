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
  // A CSV cell (RFC 4180): quoted when it holds a comma, quote or line break.
  static std::string CsvCell(const std::string& text);
};

}  // namespace velmora
