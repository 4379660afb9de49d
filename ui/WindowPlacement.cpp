#include "ui/WindowPlacement.h"

#include <algorithm>
#include <array>

namespace velmora {
namespace {

int Overlap(const QRect& a, const QRect& b) {
  const QRect both = a.intersected(b);
  return both.isEmpty() ? 0 : both.width() * both.height();
}

// The top of a window of height h level with anchor's, kept on the screen.
int LevelTop(const QRect& available, const QRect& anchor, int h) {
  return std::clamp(anchor.top(), available.top(), available.bottom() - h + 1);
}

}  // namespace

QRect WindowPlacement::Beside(const QRect& available, const QRect& anchor, QSize wanted,
                              int minimumWidth) {
  const QSize size = wanted.boundedTo(available.size());
  const int top = LevelTop(available, anchor, size.height());
  const int rightRoom = available.right() - anchor.right();
  const int leftRoom = anchor.left() - available.left();
  const int room = std::max(rightRoom, leftRoom);
  if (room >= minimumWidth) {
    const int w = std::min(size.width(), room);
    const int x = rightRoom >= leftRoom ? anchor.right() + 1 : anchor.left() - w;
    return {x, top, w, size.height()};
  }
  const int left =
      std::clamp(anchor.left(), available.left(), available.right() - size.width() + 1);
  // Against each edge of the screen, in order of preference when they cover alike.
  const std::array<QRect, 4> edges = {
      QRect(QPoint(available.right() - size.width() + 1, top), size),
      QRect(QPoint(available.left(), top), size),
      QRect(QPoint(left, available.bottom() - size.height() + 1), size),
      QRect(QPoint(left, available.top()), size)};
  return *std::min_element(edges.begin(), edges.end(), [&](const QRect& a, const QRect& b) {
    return Overlap(a, anchor) < Overlap(b, anchor);
  });
}

}  // namespace velmora
