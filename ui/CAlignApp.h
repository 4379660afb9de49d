#pragma once

#include <QString>

class QWidget;

namespace velmora {

// The application: prepares the toolkit, runs the main window modally and ends the program
// when it closes. Command-line arguments change nothing, except that --version prints the
// version and ends.
class CAlignApp {
 public:
  static constexpr const char* kTitle = "Velmora";  // the caption of every message box
  static QString Version();                         // "1.0.0.1"

  CAlignApp() = default;
  ~CAlignApp() = default;
  CAlignApp(const CAlignApp&) = delete;
  CAlignApp& operator=(const CAlignApp&) = delete;

  int Run(int argc, char** argv);
  // Runs the main window; returns false, as the program ends when the window closes.
  bool InitInstance();

  QWidget* mainWindow() const { return m_pMainWnd; }

 private:
  QWidget* m_pMainWnd = nullptr;
};

}  // namespace velmora
