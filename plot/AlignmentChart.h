#pragma once

#include <QColor>
#include <QCoreApplication>
#include <QList>
#include <QString>
#include <optional>

#include "core/BandCurves.h"

QT_BEGIN_NAMESPACE
class QChart;
QT_END_NAMESPACE

namespace velmora {

// A band's level tables as a line chart: x the point frequency in MHz, y the level, one line per
// table, each table in its own colour; the receive tuning on a scale of its own at the right.
// Several curve sets overlay (before/after, radio/golden) in the same colours: the first solid,
// the others dashed, each named by its label.
class AlignmentChart {
  Q_DECLARE_TR_FUNCTIONS(AlignmentChart)

 public:
  struct Curves {
    QString label;  // empty for a single set
    BandCurves curves;
  };
  struct Point {
    int table;
    int point;
  };

  static QChart* Create(const QList<Curves>& sets, const QString& title,
                        std::optional<Point> highlight = std::nullopt);
  // Fills an existing chart anew, keeping its place in a view.
  static void Fill(QChart* chart, const QList<Curves>& sets, std::optional<Point> highlight);
  static QColor TableColor(int table);
};

}  // namespace velmora
