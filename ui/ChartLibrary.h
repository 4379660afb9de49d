#pragma once

#include <QString>

#include "plot/ChartView.h"

namespace velmora {

// The chart module the curve view draws with (velmora-charts.so), loaded once, when the view
// first opens, so the window starts without the chart library.
class ChartLibrary {
 public:
  static constexpr const char* kModule = "velmora-charts.so";

  // The module's functions; null, with the reason in error, when it cannot be loaded.
  static const ChartView* Load(QString& error);
};

}  // namespace velmora
