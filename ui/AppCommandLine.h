#pragma once

#include <QCommandLineParser>
#include <QString>
#include <vector>

class QCoreApplication;

namespace velmora {

// The window program's command line: an optional calibration file to open at start, --log FILE
// for a support trace, --help and --version. Qt's own options that would restyle the window are taken out before Qt sees them.
class AppCommandLine {
 public:
  AppCommandLine();

  // argv without -reverse, -style and -stylesheet (either dash form, value apart or after '='):
  // the window's layout follows its templates, never a mirrored or restyled one.
  static std::vector<char*> withoutStyleOptions(int argc, char** argv);
  // True when the arguments only ask for text (help or version), which needs no display.
  static bool asksForTextOnly(const std::vector<char*>& arguments);

  // Parses the application's arguments. Help and version are printed and end the program, as
  // does an unknown option; false after printing why when more than one file is named.
  bool process(const QCoreApplication& app);
  QString file() const;
  // The support trace asked for with --log FILE, empty for none.
  QString logFile() const;

 private:
  QCommandLineParser m_parser;
};

}  // namespace velmora
