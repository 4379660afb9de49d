#include "plot/AlignmentChart.h"

#include <QBuffer>
#include <QChart>
#include <QCoreApplication>
#include <QGraphicsScene>
#include <QImage>
#include <QLineSeries>
#include <QPainter>
#include <QPen>
#include <QScatterSeries>
#include <QSvgGenerator>
#include <QValueAxis>
#include <algorithm>
#include <array>
#include <climits>
#include <string_view>

namespace velmora {
namespace {

constexpr int kMaxLevel = 255;
constexpr qreal kHighlightMarker = 12.0;

// The core's table names marked for translation here, since the core links no Qt.
constexpr std::array<const char*, layout::kTablesPerBand> kTableNameTexts = {
    QT_TRANSLATE_NOOP("AlignmentChart", "高功率"), QT_TRANSLATE_NOOP("AlignmentChart", "中功率"),
    QT_TRANSLATE_NOOP("AlignmentChart", "低功率"), QT_TRANSLATE_NOOP("AlignmentChart", "接收电调")};
static_assert(std::ranges::equal(kTableNameTexts, BandCurves::kTableNames,
                                 [](std::string_view a, std::string_view b) { return a == b; }));

QValueAxis* Axis(const QString& title, qreal min, qreal max) {
  auto* axis = new QValueAxis;
  axis->setTitleText(title);
  axis->setRange(min, max);
  axis->setLabelFormat("%d");
  return axis;
}

}  // namespace

QString AlignmentChart::TableName(int table) { return tr(kTableNameTexts.at(std::size_t(table))); }

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
      const QString table = TableName(t);
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

QByteArray AlignmentChart::Render(QChart* chart, Format format, QSize size) {
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

}  // namespace velmora
