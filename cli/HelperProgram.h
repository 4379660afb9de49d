#pragma once

#include <string>
#include <vector>

namespace velmora {

// Commands that need libraries no other command needs run in programs of their own, since
// loading them would slow every other command of the tool by a visible share of a live tune:
// `plot` needs Qt's widget and chart libraries, `meter` and `align` the instruments' network
// library.
class HelperProgram {
 public:
  static constexpr const char* kPlot = "velmora-cli-plot";
  static constexpr const char* kInstruments = "velmora-cli-instruments";

  // Replaces this process with the program, which is given args and, as its own name, name (its
  // path when empty); returns only when it cannot be started.
  static int Exec(const char* program, const std::vector<std::string>& args,
                  const std::string& name = {});
  // Where the program is: beside the tool in a build, in libexec/velmora when installed.
  static std::string Path(const char* program);
};

}  // namespace velmora
