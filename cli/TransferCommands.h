#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace velmora {

// velmora-cli read, write and live: the window's transfer jobs without a window.
class TransferCommands {
 public:
  static int Read(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
  static int Write(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
  static int Live(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
};

}  // namespace velmora
