#pragma once

#include <QString>

QT_BEGIN_NAMESPACE
class QValueAxis;
QT_END_NAMESPACE

namespace velmora {

// The value scales the alignment charts share: ticks at round values whatever the range's ends.
class ChartAxes {
 public:
  static constexpr int kMaxTicks = 8;

  // labelFormat as QValueAxis takes it ("%d", "%.1f").
  static QValueAxis* Make(const QString& title, qreal min, qreal max,
                          const QString& labelFormat = QStringLiteral("%d"));
  // The largest of 1, 2 or 5 times a power of ten that gives at most kMaxTicks steps over span.
  static qreal RoundStep(qreal span);
};

}  // namespace velmora
