#include "ui/VelmoraIcon.h"

#include <QPainter>
#include <QPixmap>

namespace velmora {
namespace {

// Colours of the 16-colour palette.
const QColor kBlack(0, 0, 0);
const QColor kDarkGray(128, 128, 128);
const QColor kLightGray(192, 192, 192);
const QColor kGreen(0, 255, 0);
const QColor kNavy(0, 0, 128);
const QColor kYellow(255, 255, 0);

}  // namespace

QPixmap VelmoraIcon::Draw(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  const double u = size / 16.0;  // drawn on a 16-unit grid
  p.scale(u, u);
  p.setPen(Qt::NoPen);
  p.setBrush(kDarkGray);
  p.drawRect(QRectF(10, 0, 1.5, 5));  // antenna
  p.setBrush(kNavy);
  p.drawRect(QRectF(4, 4, 9, 12));  // body
  p.setBrush(kGreen);
  p.drawRect(QRectF(5.5, 5.5, 6, 3.5));  // display
  p.setBrush(kLightGray);
  for (int row = 0; row < 2; ++row) {
    for (int col = 0; col < 3; ++col) p.drawRect(QRectF(5.5 + 2 * col, 10.5 + 2 * row, 1.2, 1.2));
  }
  p.setPen(QPen(kYellow, 1.0));
  p.drawLine(QPointF(6, 8.5), QPointF(9.5, 6));  // alignment needle
  p.setPen(QPen(kBlack, 0.5));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(4, 4, 9, 12));
  return pixmap;
}

QIcon VelmoraIcon::Create() {
  QIcon icon;
  icon.addPixmap(Draw(32));
  icon.addPixmap(Draw(16));
  return icon;
}

}  // namespace velmora
