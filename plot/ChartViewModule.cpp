// velmora-charts.so: the chart view of the window's curves, loaded when the view first opens.
#include "plot/ChartView.h"

extern "C" __attribute__((visibility("default"))) const velmora::ChartView* VelmoraChartView() {
  return &velmora::ChartView::Linked();
}
