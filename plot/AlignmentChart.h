#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QSize>
#include <QString>
#include <optional>

#include "core/BandCurves.h"

QT_BEGIN_NAMESPACE
class QChart;
QT_END_NAMESPACE

namespace velmora {

// A band's level tables as a line chart: x the point frequency in MHz, y the level, one line per
// table. Several curve sets overlay (before/after, radio/golden): the first solid, the others
// dashed, each named by its label.
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
  enum class Format { Svg, Png };
  // The chart drawn in memory as an SVG or PNG file's bytes, for the caller to save whole.
  static QByteArray Render(QChart* chart, Format format, QSize size);
  // The table's name in the user's language, for tabs and plots.
  static QString TableName(int table);
};

}  // namespace velmora
