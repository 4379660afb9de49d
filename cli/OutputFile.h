#pragma once

#include <cstdint>
#include <ostream>
#include <span>
#include <string>

namespace velmora {

// A file a command writes for the user (a report, a plot): saved whole or not at all under the
// rules every file the tool writes keeps (see SafeFile).
class OutputFile {
 public:
  // True when saved; otherwise the path and the reason on err, and the old file untouched.
  static bool Save(const std::string& path, std::span<const std::uint8_t> bytes, std::ostream& err);
};

}  // namespace velmora
