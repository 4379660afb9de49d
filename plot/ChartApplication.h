#pragma once

#include <QtGlobal>
#include <memory>

QT_BEGIN_NAMESPACE
class QApplication;
QT_END_NAMESPACE

namespace velmora {

// The application a program needs to draw charts (they draw with widgets), off screen: a program
// that only writes chart files never shows a window.
class ChartApplication {
 public:
  ChartApplication(int& argc, char** argv);
  ~ChartApplication();

 private:
  std::unique_ptr<QApplication> m_app;
};

}  // namespace velmora
