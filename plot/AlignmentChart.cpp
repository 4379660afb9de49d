#include "plot/AlignmentChart.h"

#include <QChart>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGraphicsScene>
#include <QImage>
#include <QLineSeries>
#include <QPainter>
#include <QPen>
#include <QScatterSeries>
#include <QSvgGenerator>
#include <QValueAxis>
#include <algorithm>
#include <climits>

#include "res/TableNames.h"

namespace velmora {
namespace {

constexpr int kMaxLevel = 255;
constexpr qreal kHighlightMarker = 12.0;

QValueAxis* Axis(const QString& title, qreal min, qreal max) {
  auto* axis = new QValueAxis;
  axis->setTitleText(title);
  axis->setRange(min, max);
  axis->setLabelFormat("%d");
  return axis;
}

}  // namespace

QChart* AlignmentChart::Create(const QList<Curves>& sets, const QString& title,
                               std::optional<Point> highlight) {
  auto* chart = new QChart;
  chart->setTitle(title);
  chart->legend()->setAlignment(Qt::AlignBottom);
  Fill(chart, sets, highlight);
  return chart;
}

void AlignmentChart::Fill(QChart* chart, const QList<Curves>& sets,
                          std::optional<Point> highlight) {
  chart->removeAllSeries();
  for (QAbstractAxis* axis : chart->axes()) {
    chart->removeAxis(axis);
    delete axis;
  }
  int minMhz = INT_MAX, maxMhz = INT_MIN;
  for (qsizetype s = 0; s < sets.size(); ++s) {
    const BandCurves& curves = sets[s].curves;
    for (int t = 0; t < layout::kTablesPerBand; ++t) {
      auto* series = new QLineSeries;
      series->setPointsVisible(true);
      const QString table = res::TableName(t);
      series->setName(sets[s].label.isEmpty() ? table : sets[s].label + ' ' + table);
      for (int k = 0; k < layout::kPointsPerTable; ++k) {
        series->append(curves.PointMhz(k), curves.levels[std::size_t(t)][std::size_t(k)]);
      }
      chart->addSeries(series);
      if (s > 0) {
        QPen pen = series->pen();
        pen.setStyle(Qt::DashLine);
        series->setPen(pen);
      }
    }
    minMhz = std::min(minMhz, curves.PointMhz(0));
    maxMhz = std::max(maxMhz, curves.PointMhz(layout::kPointsPerTable - 1));
  }
  if (highlight && !sets.isEmpty()) {
    auto* marker = new QScatterSeries;
    marker->setName(tr("当前点"));
    marker->setMarkerSize(kHighlightMarker);
    const BandCurves& curves = sets.first().curves;
    marker->append(
        curves.PointMhz(highlight->point),
        curves.levels.at(std::size_t(highlight->table)).at(std::size_t(highlight->point)));
    chart->addSeries(marker);
  }
  if (sets.isEmpty()) minMhz = maxMhz = 0;
  auto* x = Axis(tr("频率 (MHz)"), minMhz, std::max(maxMhz, minMhz + 1));
  auto* y = Axis(tr("电平"), 0, kMaxLevel);
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  for (QAbstractSeries* series : chart->series()) {
    series->attachAxis(x);
    series->attachAxis(y);
  }
}

bool AlignmentChart::Render(QChart* chart, const QString& path, QSize size, QString& error) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix != "svg" && suffix != "png") {
    error = QStringLiteral("%1: the plot is written as .svg or .png").arg(path);
    return false;
  }
  // Laid out at the picture's size in a scene of its own; the caller keeps the chart.
  QGraphicsScene scene;
  scene.addItem(chart);
  chart->setGeometry(QRectF(QPointF(0, 0), size));
  QCoreApplication::sendPostedEvents();
  const QRectF area(QPointF(0, 0), size);
  bool written = false;
  if (suffix == "svg") {
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(size);
    svg.setViewBox(area);
    svg.setTitle(chart->title());
    QPainter painter(&svg);
    scene.render(&painter, area, area);
    written = painter.end();
  } else {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    scene.render(&painter, area, area);
    painter.end();
    written = image.save(path, "PNG");
  }
  scene.removeItem(chart);
  if (!written) error = QStringLiteral("cannot write %1").arg(path);
  return written;
}

}  // namespace velmora
