#include "plot/ChartPicture.h"

#include <QBuffer>
#include <QChart>
#include <QCoreApplication>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <memory>

namespace velmora {

QByteArray ChartPicture::Render(QChart* chart, Format format, QSize size) {
  // Laid out at the picture's size in a scene of its own; the caller keeps the chart.
  QGraphicsScene scene;
  scene.addItem(chart);
  chart->setGeometry(QRectF(QPointF(0, 0), size));
  QCoreApplication::sendPostedEvents();
  const QRectF area(QPointF(0, 0), size);
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  if (format == Format::Svg) {
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(size);
    svg.setViewBox(area);
    svg.setTitle(chart->title());
    QPainter painter(&svg);
    scene.render(&painter, area, area);
  } else {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    scene.render(&painter, area, area);
    painter.end();
    image.save(&buffer, "PNG");
  }
  scene.removeItem(chart);
  return buffer.data();
}

QByteArray ChartPicture::Render(const QList<AlignmentChart::Curves>& sets, const QString& title,
                                Format format, QSize size) {
  const std::unique_ptr<QChart> chart(AlignmentChart::Create(sets, title));
  return Render(chart.get(), format, size);
}

}  // namespace velmora
