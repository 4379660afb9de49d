#include "plot/ChartAxes.h"

#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace velmora {

qreal ChartAxes::RoundStep(qreal span) {
  const qreal raw = std::max(span, 1e-6) / kMaxTicks;
  const qreal magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  for (const qreal factor : {1.0, 2.0, 5.0}) {
    if (factor * magnitude >= raw) return factor * magnitude;
  }
  return 10.0 * magnitude;
}

QValueAxis* ChartAxes::Make(const QString& title, qreal min, qreal max,
                            const QString& labelFormat) {
  auto* axis = new QValueAxis;
  axis->setTitleText(title);
  axis->setRange(min, max);
  axis->setLabelFormat(labelFormat);
  axis->setTickType(QValueAxis::TicksDynamic);
  axis->setTickAnchor(0);
  axis->setTickInterval(RoundStep(max - min));
  return axis;
}

}  // namespace velmora
