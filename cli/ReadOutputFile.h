#pragma once

#include <ostream>
#include <string>

#include "core/CalibrationImage.h"

namespace velmora {

// The file `velmora-cli read` saves to: checked before the radio is touched, and, when the save
// still fails after a good read, the bytes are rescued into the data folder's "rescue" folder.
class ReadOutputFile {
 public:
  // False (with the reason on err) when a save to path would be refused or fail for its rights
  // or a missing folder.
  static bool Check(const std::string& path, std::ostream& err);
  // True when saved at path. Otherwise prints the error, saves a rescue file named after the
  // time and the port, prints where it went, and returns false with the save's error in failure.
  static bool Save(const std::string& path, CalibrationImage& image, std::ostream& err,
                   std::string* failure = nullptr);
};

}  // namespace velmora
