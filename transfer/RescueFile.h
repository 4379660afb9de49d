#pragma once

#include <QString>

#include "core/CalibrationFile.h"
#include "core/CalibrationImage.h"

namespace velmora {

// Where an image goes that would otherwise be lost (a read whose save failed, the window's
// unsaved edits when the session ends): the data folder's rescue/, named by time and a tag.
class RescueFile {
 public:
  // Saves the image under the calibration file's rules; path receives the file's name (empty
  // when there is no data folder).
  static FileResult Save(CalibrationImage& image, const QString& tag, QString& path);
};

}  // namespace velmora
