#include "plot/PowerChart.h"

#include <QAreaSeries>
#include <QChart>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPen>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>

#include "plot/AlignmentChart.h"
#include "plot/ChartAxes.h"
#include "res/TableNames.h"

namespace velmora {
namespace {

constexpr int kBandAlpha = 50;
constexpr qreal kReadingMarker = 8.0;
constexpr qreal kHeadroom = 1.15;  // above the highest window or reading
constexpr double kEmptyScaleWatts = 1.0;

QLineSeries* Flat(double watts, int firstMhz, int lastMhz) {
  auto* line = new QLineSeries;
  line->append(firstMhz, watts);
  line->append(lastMhz, watts);
  return line;
}

// The window as a band with the target through it.
void AddWindow(QChart* chart, int table, const PowerChart::Window& window, int firstMhz,
               int lastMhz) {
  const QColor color = AlignmentChart::TableColor(table);
  QLineSeries* upper = Flat(window.maxWatts, firstMhz, lastMhz);
  QLineSeries* lower = Flat(window.minWatts, firstMhz, lastMhz);
  auto* band = new QAreaSeries(upper, lower);
  // The area does not own its edges: they go when the chart removes the area.
  upper->setParent(band);
  lower->setParent(band);
  QColor pale = color;
  pale.setAlpha(kBandAlpha);
  band->setBrush(pale);
  band->setPen(Qt::NoPen);
  band->setName(PowerChart::tr("%1 窗口").arg(res::TableName(table)));
  QLineSeries* target = Flat(window.watts, firstMhz, lastMhz);
  target->setPen(QPen(color, 1.0, Qt::DashLine));
  target->setName(PowerChart::tr("%1 目标").arg(res::TableName(table)));
  chart->addSeries(band);
  chart->addSeries(target);
  // The legend names the readings; the band and line around them are told by the title.
  for (QAbstractSeries* series :
       {static_cast<QAbstractSeries*>(band), static_cast<QAbstractSeries*>(target)}) {
    for (QLegendMarker* marker : chart->legend()->markers(series)) marker->setVisible(false);
  }
}

}  // namespace

QChart* PowerChart::Create() {
  auto* chart = new QChart;
  chart->setTitle(tr("实测功率与目标窗口"));
  chart->legend()->setAlignment(Qt::AlignBottom);
  chart->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);
  Fill(chart, {}, 0, 1);
  return chart;
}

void PowerChart::Fill(QChart* chart, const QList<Table>& tables, int firstMhz, int lastMhz) {
  chart->removeAllSeries();
  for (QAbstractAxis* axis : chart->axes()) {
    chart->removeAxis(axis);
    delete axis;
  }
  double top = 0;
  for (const Table& t : tables) {
    if (t.window) {
      AddWindow(chart, t.table, *t.window, firstMhz, lastMhz);
      top = std::max(top, t.window->maxWatts);
    }
    auto* readings = new QScatterSeries;
    readings->setName(tr("%1 实测").arg(res::TableName(t.table)));
    readings->setColor(AlignmentChart::TableColor(t.table));
    readings->setMarkerSize(kReadingMarker);
    readings->append(t.readings);
    for (const QPointF& r : t.readings) top = std::max(top, r.y());
    chart->addSeries(readings);
  }
  auto* x = ChartAxes::Make(tr("频率 (MHz)"), firstMhz, std::max(lastMhz, firstMhz + 1));
  auto* watts = ChartAxes::Make(tr("功率 (W)"), 0, top > 0 ? top * kHeadroom : kEmptyScaleWatts,
                                QStringLiteral("%.1f"));
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(watts, Qt::AlignLeft);
  for (QAbstractSeries* series : chart->series()) {
    series->attachAxis(x);
    series->attachAxis(watts);
  }
}

}  // namespace velmora
