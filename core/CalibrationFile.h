#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/CalibrationImage.h"

namespace velmora {

struct FileResult {
  // Refused: the path names something that is not a calibration file (a folder, FIFO, device,
  // socket), so nothing was read or written.
  enum class Status { Ok, NotOpened, Refused, Failed };
  Status status = Status::Ok;
  std::string error;            // the system's description of the failure
  std::uintmax_t fileSize = 0;  // a load's size of the file on disk, to tell a short or long file
  bool ok() const { return status == Status::Ok; }
};

// The calibration file: exactly the 308 image bytes, raw.
class CalibrationFile {
 public:
  // Stores the user interface into the image, then replaces the file atomically: an existing file
  // is either fully replaced or left byte-identical. Links are written through; a target that is
  // no regular file, a link another user left in a shared folder and a name that is not UTF-8
  // are Refused, a file its user may not write Failed (see SafeFile).
  static FileResult SaveToFile(CalibrationImage& image, const std::string& path,
                               const std::function<void()>& storeUserInterface);
  // What SaveToFile would report about the path, without storing or writing anything.
  static FileResult CheckSaveTarget(const std::string& path);
  // Up to 308 leading bytes of any regular file replace the image's leading bytes, then the user
  // interface is refreshed. A file that cannot be opened changes nothing and reports NotOpened;
  // anything but a regular file is Refused without waiting for it (a FIFO with no writer).
  static FileResult LoadFromFile(CalibrationImage& image, const std::string& path,
                                 const std::function<void()>& refreshUserInterface);
  // Appends ".dat" unless the path already contains it anywhere (case-sensitive).
  static std::string WithDatExtension(std::string path);
};

}  // namespace velmora
