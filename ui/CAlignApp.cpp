#include "ui/CAlignApp.h"

#include <QApplication>
#include <QStyle>
#include <cstdio>
#include <string>

#include "trace/TraceLog.h"
#include "transfer/StopSignals.h"
#include "ui/AppCommandLine.h"
#include "ui/CAlignMainDlg.h"
#include "ui/DeferredIconStyle.h"
#include "ui/QtTranslations.h"
#include "ui/UserSettings.h"
#include "ui/VelmoraIcon.h"

#ifndef VELMORA_VERSION
#error "VELMORA_VERSION must name the program's version"
#endif

namespace velmora {
namespace {

void SetNames() {
  QCoreApplication::setApplicationName(QString::fromLatin1(CAlignApp::kTitle));
  QCoreApplication::setApplicationVersion(CAlignApp::Version());
}

}  // namespace

QString CAlignApp::Version() { return QStringLiteral(VELMORA_VERSION); }

int CAlignApp::Run(int argc, char** argv) {
  std::vector<char*> arguments = AppCommandLine::WithoutStyleOptions(argc, argv);
  int count = static_cast<int>(arguments.size());
  const bool textOnly = AppCommandLine::AsksForTextOnly(arguments);  // needs no display
  arguments.push_back(nullptr);                                      // argv's terminator, for Qt
  AppCommandLine commandLine;
  if (textOnly) {
    QCoreApplication app(count, arguments.data());
    SetNames();
    commandLine.Process(app);
    return 0;
  }
  // Usage errors are told before a display is needed, so they end alike with or without one.
  SetNames();  // the parser's messages name the program
  if (const std::optional<int> status =
          commandLine.Process(AppCommandLine::WithoutDisplayOptions(arguments))) {
    return *status;
  }
  if (!commandLine.LogFile().isEmpty()) {
    std::string error;
    if (!TraceLog::Instance().Open(commandLine.LogFile().toStdString(), {argv, argv + argc},
                                   VELMORA_VERSION, &error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return AppCommandLine::kUsageError;
    }
  }
  QApplication app(count, arguments.data());
  SetUpApplication(app,
                   commandLine.Language(UserSettings().Language(), AppCommandLine::SystemLocale()));
  setStartFile(commandLine.File());
  InitInstance();
  return 0;
}

void CAlignApp::SetUpApplication(QApplication& app, QtTranslations::Language language) {
  SetNames();
  QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopId));
  QApplication::setStyle(new DeferredIconStyle(QApplication::style()->name()));
  QApplication::setWindowIcon(VelmoraIcon::Create());
  QtTranslations::Install(app, language);
  // After the translations, which may carry a direction of their own.
  QGuiApplication::setLayoutDirection(Qt::LeftToRight);
}

bool CAlignApp::InitInstance() {
  CAlignMainDlg dlg;
  m_pMainWnd = &dlg;
  // A logout, a kill or Ctrl-C in the terminal ends the window as its close box would, but
  // without a question, once a running job has stopped at its next pause.
  const StopSignals stop([&dlg](int) { dlg.OnEndSession(); });
  if (!m_startFile.isEmpty()) {
    // Queued, so the window is up when a failure is reported over it, as Open reports it.
    QMetaObject::invokeMethod(
        &dlg, [&dlg, path = m_startFile] { dlg.OpenFile(path); }, Qt::QueuedConnection);
  }
  dlg.DoModal();  // OK, Cancel and the close box all end the program alike
  m_pMainWnd = nullptr;
  return false;
}

}  // namespace velmora
