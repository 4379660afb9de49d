#include "ui/ChartLibrary.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>

#ifndef VELMORA_CHARTS_FROM_BIN
#error "VELMORA_CHARTS_FROM_BIN must name the chart module's folder relative to the programs'"
#endif

namespace velmora {

// Installed in the library folder; in a build, beside the window.
const ChartView* ChartLibrary::Load(QString& error) {
  static const ChartView* functions = nullptr;  // the module stays loaded for the program's life
  if (functions) return functions;
  const QString bin = QCoreApplication::applicationDirPath();
  const QString installed = bin + "/" VELMORA_CHARTS_FROM_BIN "/" + kModule;
  const QString path = QFileInfo::exists(installed) ? installed : bin + "/" + kModule;
  QLibrary library(path);
  using Entry = const ChartView* (*)();
  if (const auto entry = reinterpret_cast<Entry>(library.resolve("VelmoraChartView"))) {
    functions = entry();
  } else {
    error = library.errorString();
  }
  return functions;
}

}  // namespace velmora
