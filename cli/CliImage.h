#pragma once

#include <ostream>
#include <string>

#include "cli/CliArguments.h"
#include "core/CalibrationImage.h"

namespace velmora {

enum ExitCode { kExitOk = 0, kExitTransferFailed = 1, kExitDifferent = 1, kExitUsage = 2 };

// Calibration files as the command-line tool reads and writes them, with its messages.
class CliImage {
 public:
  enum class Size { Any, Exact };
  // Starts from the default image, then loads the file over it. With Size::Exact a file that is
  // not exactly 308 bytes is refused: a script cannot see what it loaded. Anything but a regular
  // file is refused either way, without waiting for it.
  static bool Load(const std::string& path, CalibrationImage& image, Size size, std::ostream& err);
  // The size rule a command's --force picks: any size with it, exactly 308 bytes without.
  static Size SizeFor(const CliArguments& args) {
    return args.Has("--force") ? Size::Any : Size::Exact;
  }
  // Loads a file the command names, under its --force rule.
  static bool LoadArgument(const CliArguments& args, const std::string& path,
                           CalibrationImage& image, std::ostream& err) {
    return Load(path, image, SizeFor(args), err);
  }
  static bool Save(const std::string& path, CalibrationImage& image, std::ostream& err);
};

}  // namespace velmora
