#include "ui/CAlignApp.h"

#include <QApplication>
#include <cstdio>
#include <cstring>
#include <string>

#include "radio/TraceLog.h"
#include "ui/CAlignMainDlg.h"
#include "ui/VelmoraIcon.h"

#ifndef VELMORA_VERSION
#error "VELMORA_VERSION must name the program's version"
#endif

namespace velmora {

QString CAlignApp::Version() { return QStringLiteral(VELMORA_VERSION); }

int CAlignApp::Run(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("%s %s\n", kTitle, VELMORA_VERSION);
      return 0;
    }
    // A support trace of every byte on the line, as velmora-cli --log writes it.
    if (std::strcmp(argv[i], "--log") == 0) {
      std::string error;
      if (i + 1 == argc || !TraceLog::Instance().Open(argv[++i], &error)) {
        std::fprintf(stderr, "%s\n", error.empty() ? "--log needs a file" : error.c_str());
        return 2;
      }
    }
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(kTitle);
  QApplication::setApplicationVersion(Version());
  QApplication::setWindowIcon(VelmoraIcon::Create());
  InitInstance();
  return 0;
}

bool CAlignApp::InitInstance() {
  CAlignMainDlg dlg;
  m_pMainWnd = &dlg;
  dlg.DoModal();  // OK, Cancel and the close box all end the program alike
  m_pMainWnd = nullptr;
  return false;
}

}  // namespace velmora
