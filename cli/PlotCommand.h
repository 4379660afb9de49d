#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace velmora {

// velmora-cli plot: a band's level tables as curves, written to an SVG or PNG file; a second
// file overlays dashed.
class PlotCommand {
 public:
  static int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
};

}  // namespace velmora
