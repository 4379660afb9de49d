#pragma once

#include <QRect>
#include <QSize>

namespace velmora {

// Where a companion window (the curves) goes on a screen beside the window it follows.
struct WindowPlacement {
  // Beside anchor on the side with more room, narrowed to that room down to minimumWidth, its top
  // level with anchor's; when neither side has that room, against the screen's edge where it
  // covers the least of anchor. All rectangles in screen coordinates.
  static QRect Beside(const QRect& available, const QRect& anchor, QSize wanted, int minimumWidth);
};

}  // namespace velmora
