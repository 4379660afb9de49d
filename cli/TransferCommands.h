#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/CliArguments.h"
#include "cli/CliImage.h"
#include "core/CalibrationImage.h"
#include "transfer/TransferOptions.h"

namespace velmora {

// velmora-cli read, write and live: the window's transfer jobs without a window.
class TransferCommands {
 public:
  static int Read(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
  static int Write(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
  static int Live(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

  // What every command that talks to the radio shares: the port rule of --port and --scan,
  static TransferOptions PortOptions(const CliArguments& args);
  // progress to a terminal only, never into a file or pipe that a script reads (or --quiet),
  static std::ostream* ProgressStream(const CliArguments& args);
  // and the image it starts from: the file (or the defaults), then --port; never busy, since a
  // file saved while a job ran must not hold the next one.
  static bool PrepareImage(const CliArguments& args, const std::optional<std::string>& file,
                           CliImage::Size size, CalibrationImage& image, std::ostream& err);
};

}  // namespace velmora
