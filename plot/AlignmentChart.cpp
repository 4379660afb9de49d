#include "plot/AlignmentChart.h"

#include <QChart>
#include <QCoreApplication>
#include <QLineSeries>
#include <QPen>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>
#include <climits>

#include "plot/ChartAxes.h"
#include "res/TableNames.h"

namespace velmora {
namespace {

using layout::kMaxLevel;
using layout::kMaxTuning;
constexpr int kTuningTable = layout::kReceiveTuningTable;
constexpr qreal kHighlightMarker = 12.0;
// The first set drawn wide and pale, the others dashed and thin on top: equal curves of two
// files stay both visible. Within a set, equal tables show as nested points.
constexpr qreal kFirstSetWidth = 4.0;
constexpr int kFirstSetAlpha = 120;
constexpr qreal kOtherSetWidth = 2.0;
constexpr std::array<qreal, layout::kTablesPerBand> kPointSizes = {7.0, 5.5, 4.0, 4.5};

// Set 0 solid (pale and wide beneath others when there are others), the rest dashed.
QLineSeries* TableLine(const BandCurves& curves, int table, qsizetype set, qsizetype sets) {
  auto* series = new QLineSeries;
  series->setPointsVisible(true);
  series->setMarkerSize(kPointSizes.at(std::size_t(table)));
  for (int k = 0; k < layout::kPointsPerTable; ++k) {
    series->append(curves.PointMhz(k), curves.levels[std::size_t(table)][std::size_t(k)]);
  }
  QColor color = AlignmentChart::TableColor(table);
  const bool beneath = set == 0 && sets > 1;
  if (beneath) color.setAlpha(kFirstSetAlpha);
  series->setColor(color);
  series->setPen(QPen(color, beneath ? kFirstSetWidth : kOtherSetWidth,
                      set == 0 ? Qt::SolidLine : Qt::DashLine));
  return series;
}

}  // namespace

QChart* AlignmentChart::Create(const QList<Curves>& sets, const QString& title,
                               std::optional<Point> highlight) {
  auto* chart = new QChart;
  chart->setTitle(title);
  // Beside the plot, one entry a line, so no entry is cut short; each shows its line's style.
  chart->legend()->setAlignment(Qt::AlignRight);
  chart->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);
  Fill(chart, sets, highlight);
  return chart;
}

QColor AlignmentChart::TableColor(int table) {
  static const std::array<QColor, layout::kTablesPerBand> colors = {
      QColor(0xC6, 0x28, 0x28), QColor(0xEF, 0x8A, 0x00), QColor(0x1E, 0x63, 0xC8),
      QColor(0x2E, 0x8B, 0x3A)};
  return colors.at(std::size_t(table));
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
      QLineSeries* series = TableLine(curves, t, s, sets.size());
      const QString table = res::TableName(t);
      series->setName(sets[s].label.isEmpty() ? table : sets[s].label + ' ' + table);
      chart->addSeries(series);
    }
    minMhz = std::min(minMhz, curves.PointMhz(0));
    maxMhz = std::max(maxMhz, curves.PointMhz(layout::kPointsPerTable - 1));
  }
  QScatterSeries* marker = nullptr;
  if (highlight && !sets.isEmpty()) {
    marker = new QScatterSeries;
    marker->setName(tr("当前点"));
    marker->setMarkerSize(kHighlightMarker);
    marker->setColor(Qt::black);
    const BandCurves& curves = sets.first().curves;
    marker->append(
        curves.PointMhz(highlight->point),
        curves.levels.at(std::size_t(highlight->table)).at(std::size_t(highlight->point)));
    chart->addSeries(marker);
  }
  if (sets.isEmpty()) minMhz = maxMhz = 0;
  auto* x = ChartAxes::Make(tr("频率 (MHz)"), minMhz, std::max(maxMhz, minMhz + 1));
  auto* levels = ChartAxes::Make(tr("电平"), 0, kMaxLevel);
  // The receive tuning (at most 63) on a scale of its own, or it would lie flat at the bottom.
  auto* tuning = ChartAxes::Make(res::TableName(kTuningTable), 0, kMaxTuning);
  tuning->setLinePenColor(TableColor(kTuningTable));
  tuning->setLabelsColor(TableColor(kTuningTable));
  tuning->setGridLineVisible(false);  // the level scale's grid is the one to read by
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(levels, Qt::AlignLeft);
  chart->addAxis(tuning, Qt::AlignRight);
  const QList<QAbstractSeries*> all = chart->series();
  for (qsizetype i = 0; i < all.size(); ++i) {
    const bool isTuning = all[i] == marker ? highlight->table == kTuningTable
                                           : i % layout::kTablesPerBand == kTuningTable;
    all[i]->attachAxis(x);
    all[i]->attachAxis(isTuning ? tuning : levels);
  }
}

}  // namespace velmora
