#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace velmora {

// velmora-cli station: a line's station. Reads one serial per line from stdin (a barcode scanner
// types the serial and Enter) and for each runs the radio on the port through read, alignment of
// every transmit table, write with backup and read-back, and its production record; one line per
// radio, PASS or FAIL, and a summary at the end of the input.
class StationCommand {
 public:
  static int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
};

}  // namespace velmora
