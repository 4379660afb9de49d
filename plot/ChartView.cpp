#include "plot/ChartView.h"

#include <QChart>
#include <QChartView>

namespace velmora {
namespace {

QWidget* View(QWidget* parent, QChart* chart) {
  // Given the chart at once: a view made empty makes a chart of its own that a later
  // setChart only lets go of.
  auto* view = new QChartView(chart, parent);
  view->setRenderHint(QPainter::Antialiasing);
  return view;
}

QWidget* Create(QWidget* parent) { return View(parent, AlignmentChart::Create({}, QString())); }

QWidget* CreatePower(QWidget* parent) { return View(parent, PowerChart::Create()); }

QChart* Chart(QWidget* view) { return static_cast<QChartView*>(view)->chart(); }

void Show(QWidget* view, const QString& title, const BandCurves& curves,
          std::optional<AlignmentChart::Point> marked) {
  Chart(view)->setTitle(title);
  AlignmentChart::Fill(Chart(view), {{QString(), curves}}, marked);
}

void ShowPower(QWidget* view, const QList<PowerChart::Table>& tables, int firstMhz, int lastMhz) {
  PowerChart::Fill(Chart(view), tables, firstMhz, lastMhz);
}

}  // namespace

const ChartView& ChartView::Linked() {
  static const ChartView functions{&Create, &Show, &CreatePower, &ShowPower, &Chart};
  return functions;
}

}  // namespace velmora
