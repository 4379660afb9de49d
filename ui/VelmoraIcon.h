#pragma once

#include <QIcon>

namespace velmora {

// Icon 128: a handheld radio with its antenna and an alignment needle, drawn at 32x32 and 16x16
// in the 16 colours of the classic palette.
class VelmoraIcon {
 public:
  static QIcon Create();
  static QPixmap Draw(int size);
};

}  // namespace velmora
