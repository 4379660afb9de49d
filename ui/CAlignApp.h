#pragma once

#include <QString>

#include "ui/QtTranslations.h"

class QApplication;
class QWidget;

namespace velmora {

// The application: prepares the toolkit, runs the main window modally and ends the program
// when it closes. The command line may name a calibration file to open at start and the
// window's language; --help and --version print and end.
class CAlignApp {
 public:
  static constexpr const char* kTitle = "Velmora";      // the caption of every message box
  static constexpr const char* kDesktopId = "velmora";  // the desktop entry's name
  static QString Version();                             // "1.0.0.1"

  CAlignApp() = default;
  ~CAlignApp() = default;
  CAlignApp(const CAlignApp&) = delete;
  CAlignApp& operator=(const CAlignApp&) = delete;

  int Run(int argc, char** argv);
  // Names, icon, a left-to-right layout and the window's language: Chinese with Qt's own texts
  // in Chinese, or English with Qt's left in English.
  static void SetUpApplication(
      QApplication& app, QtTranslations::Language language = QtTranslations::Language::Chinese);
  // The calibration file InitInstance opens once the window shows; empty for none.
  void setStartFile(const QString& path) { m_startFile = path; }
  // Runs the main window; returns false, as the program ends when the window closes.
  bool InitInstance();

  QWidget* mainWindow() const { return m_pMainWnd; }

 private:
  QWidget* m_pMainWnd = nullptr;
  QString m_startFile;
};

}  // namespace velmora
