#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace velmora {

// velmora-cli align: reads the radio, tunes its transmit tables to a plan's target powers against
// the bench meter through live tunes, saves the aligned image and the report, and with --write
// writes the aligned image back through the normal write.
class AlignCommand {
 public:
  static int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
};

}  // namespace velmora
