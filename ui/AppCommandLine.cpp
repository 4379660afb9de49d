#include "ui/AppCommandLine.h"

#include <QCoreApplication>
#include <cstdio>
#include <string_view>

namespace velmora {
namespace {

// Qt's style options, with the number of arguments each one takes.
struct StyleOption {
  std::string_view name;
  bool takesValue;
};
constexpr StyleOption kStyleOptions[] = {{"reverse", false}, {"style", true}, {"stylesheet", true}};

// How many arguments from this one on belong to a style option (0: none).
int StyleOptionLength(std::string_view arg) {
  if (arg.starts_with("--")) {
    arg.remove_prefix(2);
  } else if (arg.starts_with("-")) {
    arg.remove_prefix(1);
  } else {
    return 0;
  }
  for (const StyleOption& option : kStyleOptions) {
    if (arg == option.name) return option.takesValue ? 2 : 1;
    if (option.takesValue && arg.size() > option.name.size() && arg.starts_with(option.name) &&
        arg[option.name.size()] == '=') {
      return 1;
    }
  }
  return 0;
}

}  // namespace

AppCommandLine::AppCommandLine() {
  m_parser.setApplicationDescription(QStringLiteral(
      "Alignment tool for a dual-band handheld radio: reads, tunes and writes its alignment "
      "memory and keeps calibration files (.dat)."));
  m_parser.addHelpOption();
  m_parser.addVersionOption();
  m_parser.addOption(
      QCommandLineOption(QStringLiteral("log"),
                         QStringLiteral("Write a trace of every byte on the serial line to FILE."),
                         QStringLiteral("FILE")));
  m_parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("Calibration file to open at start."),
                                 QStringLiteral("[FILE.dat]"));
}

std::vector<char*> AppCommandLine::withoutStyleOptions(int argc, char** argv) {
  std::vector<char*> kept;
  for (int i = 0; i < argc; ++i) {
    const int skip = i == 0 ? 0 : StyleOptionLength(argv[i]);
    if (skip == 0) {
      kept.push_back(argv[i]);
    } else {
      i += skip - 1;
    }
  }
  return kept;
}

bool AppCommandLine::asksForTextOnly(const std::vector<char*>& arguments) {
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string_view arg = arguments[i];
    if (arg == "-h" || arg == "--help" || arg == "-?" || arg == "--help-all" || arg == "-v" ||
        arg == "--version") {
      return true;
    }
  }
  return false;
}

bool AppCommandLine::process(const QCoreApplication& app) {
  m_parser.process(app);
  if (m_parser.positionalArguments().size() <= 1) return true;
  std::fprintf(stderr, "%s: only one file can be opened\n",
               qPrintable(QCoreApplication::applicationName().toLower()));
  return false;
}

QString AppCommandLine::file() const {
  const QStringList files = m_parser.positionalArguments();
  return files.isEmpty() ? QString() : files.first();
}

QString AppCommandLine::logFile() const { return m_parser.value(QStringLiteral("log")); }

}  // namespace velmora
