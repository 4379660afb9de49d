#pragma once

#include <QString>
#include <optional>

#include "core/BandCurves.h"
#include "plot/AlignmentChart.h"
#include "plot/PowerChart.h"

QT_BEGIN_NAMESPACE
class QChart;
class QWidget;
QT_END_NAMESPACE

namespace velmora {

// A band's curves and an alignment's powers in chart views, as the window's curve view shows
// them. Plain functions, so that the window can take them from the chart module
// (velmora-charts.so) when the view first opens and start without the chart library.
struct ChartView {
  // An empty level chart in a view of its own.
  QWidget* (*create)(QWidget* parent);
  // Draws curves anew under the title, with the marked point ringed.
  void (*show)(QWidget* view, const QString& title, const BandCurves& curves,
               std::optional<AlignmentChart::Point> marked);
  // An empty power chart in a view of its own.
  QWidget* (*createPower)(QWidget* parent);
  // Draws the tables' powers anew over firstMhz..lastMhz.
  void (*showPower)(QWidget* view, const QList<PowerChart::Table>& tables, int firstMhz,
                    int lastMhz);
  // The chart either view shows.
  QChart* (*chart)(QWidget* view);

  // The functions as linked into this program (the module hands out these).
  static const ChartView& Linked();
};

}  // namespace velmora

// The module's one entry point.
extern "C" const velmora::ChartView* VelmoraChartView();
