#pragma once

#include <string>
#include <vector>

namespace velmora {

// `velmora-cli plot` runs in a program of its own (velmora-cli-plot): charts need Qt's widget and
// chart libraries, and loading them would slow every other command of the tool by several
// milliseconds, a visible share of a live tune.
class PlotHelper {
 public:
  // Replaces this process with the plot program; returns only when it cannot be started.
  static int Exec(const std::vector<std::string>& args);
  // Where the plot program is: beside the tool in a build, in libexec/velmora when installed.
  static std::string Path();
};

}  // namespace velmora
