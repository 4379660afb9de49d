#pragma once

#include <ostream>
#include <string>
#include <string_view>

namespace velmora {

// A file a command writes for the user (a report, a plot): saved whole or not at all under the
// rules every file the tool writes keeps (see SafeFile).
class OutputFile {
 public:
  // True when saved; otherwise the path and the reason on err, and the old file untouched.
  // The bytes are text (a report's JSON or CSV) or a picture in a byte array's string.
  static bool Save(const std::string& path, std::string_view bytes, std::ostream& err);
};

}  // namespace velmora
