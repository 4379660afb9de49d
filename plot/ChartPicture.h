#pragma once

#include <QByteArray>
#include <QSize>

#include "plot/AlignmentChart.h"

QT_BEGIN_NAMESPACE
class QChart;
QT_END_NAMESPACE

namespace velmora {

// A chart drawn as a picture file's bytes. Apart from the chart itself, so that a program that
// only shows charts does not load the SVG library.
class ChartPicture {
 public:
  enum class Format { Svg, Png };
  // The chart drawn in memory as an SVG or PNG file's bytes, for the caller to save whole.
  static QByteArray Render(QChart* chart, Format format, QSize size);
  // The curve sets drawn as AlignmentChart draws them, for a program that holds no chart.
  static QByteArray Render(const QList<AlignmentChart::Curves>& sets, const QString& title,
                           Format format, QSize size);
};

}  // namespace velmora
