#pragma once

#include <QString>

namespace velmora {

class CalibrationImage;

// The five settings of the main window as its controls hold them, and their conversion to and
// from the image: the port as a combo index (port number - 1), the reference crystal and IF
// codes as indexes of their tables, and the two power-on lines as text.
struct MainWindowSettings {
  int portIndex = -1;
  int crystalIndex = -1;
  int ifIndex = -1;
  QString powerOnText1;
  QString powerOnText2;

  static MainWindowSettings FromImage(const CalibrationImage& image);
  // No port selection keeps the image's port bytes (a port the list does not name, from a radio
  // or a file); an index outside a code table stores its fallback code.
  void ToImage(CalibrationImage& image) const;
};

}  // namespace velmora
