#pragma once

#include <QCoreApplication>
#include <QList>
#include <QPointF>
#include <optional>

QT_BEGIN_NAMESPACE
class QChart;
QT_END_NAMESPACE

namespace velmora {

// The transmit power an alignment measures, against what it aims at: x the point frequency in
// MHz as on the level chart, y watts. Per transmit table, in the table's colour: the accepted
// window as a pale band, the target as a dashed line, and each point's latest reading.
class PowerChart {
  Q_DECLARE_TR_FUNCTIONS(PowerChart)

 public:
  struct Window {
    double watts = 0;
    double minWatts = 0;
    double maxWatts = 0;
  };
  struct Table {
    int table = 0;
    std::optional<Window> window;
    QList<QPointF> readings;  // (MHz, watts)
  };

  static QChart* Create();
  // Fills the chart anew; the bands and lines span firstMhz..lastMhz.
  static void Fill(QChart* chart, const QList<Table>& tables, int firstMhz, int lastMhz);
};

}  // namespace velmora
