#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace velmora {

// velmora-cli records status|sync|verify|export: the bench's records and their way to the line.
class RecordsCommand {
 public:
  static int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
};

}  // namespace velmora
