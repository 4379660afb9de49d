#include "ui/AppCommandLine.h"

#include <QCoreApplication>
#include <QLocale>
#include <cstdio>
#include <string_view>

namespace velmora {
namespace {

// Qt's own options, with whether each one takes a value.
struct ToolkitOption {
  std::string_view name;
  bool takesValue;
};
// Dropped before Qt sees them.
constexpr ToolkitOption kStyleOptions[] = {
    {"reverse", false}, {"style", true}, {"stylesheet", true}};
// Left to Qt, which takes them out of the arguments once its application object exists.
constexpr ToolkitOption kDisplayOptions[] = {{"platform", true},
                                             {"platformpluginpath", true},
                                             {"platformtheme", true},
                                             {"plugin", true},
                                             {"qwindowgeometry", true},
                                             {"geometry", true},
                                             {"qwindowicon", true},
                                             {"icon", true},
                                             {"qwindowtitle", true},
                                             {"title", true},
                                             {"session", true},
                                             {"display", true},
                                             {"name", true},
                                             {"visual", true},
                                             {"widgetcount", false},
                                             {"nograb", false},
                                             {"dograb", false},
                                             {"sync", false},
                                             {"testability", false}};

// How many arguments from this one on belong to one of the options (0: none).
template <std::size_t N>
int OptionLength(std::string_view arg, const ToolkitOption (&options)[N]) {
  if (arg.starts_with("--")) {
    arg.remove_prefix(2);
  } else if (arg.starts_with("-")) {
    arg.remove_prefix(1);
  } else {
    return 0;
  }
  for (const ToolkitOption& option : options) {
    if (arg == option.name) return option.takesValue ? 2 : 1;
    if (option.takesValue && arg.size() > option.name.size() && arg.starts_with(option.name) &&
        arg[option.name.size()] == '=') {
      return 1;
    }
  }
  return 0;
}

}  // namespace

AppCommandLine::AppCommandLine()
    : m_langOption(
          QStringLiteral("lang"),
          QStringLiteral(
              "Language of the window: %1 (else %2, the menu's choice, the system locale).")
              .arg(QtTranslations::Names().join(QStringLiteral(", ")),
                   QString::fromLatin1(kLanguageVariable)),
          QStringLiteral("language")) {
  m_parser.setApplicationDescription(QStringLiteral(
      "Alignment tool for a dual-band handheld radio: reads, tunes and writes its alignment "
      "memory and keeps calibration files (.dat)."));
  m_parser.addHelpOption();
  m_parser.addVersionOption();
  m_parser.addOption(m_langOption);
  m_parser.addOption(
      QCommandLineOption(QStringLiteral("log"),
                         QStringLiteral("Write a trace of every byte on the serial line to FILE."),
                         QStringLiteral("FILE")));
  m_parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("Calibration file to open at start."),
                                 QStringLiteral("[FILE.dat]"));
}

std::vector<char*> AppCommandLine::WithoutStyleOptions(int argc, char** argv) {
  std::vector<char*> kept;
  for (int i = 0; i < argc; ++i) {
    const int skip = i == 0 ? 0 : OptionLength(argv[i], kStyleOptions);
    if (skip == 0) {
      kept.push_back(argv[i]);
    } else {
      i += skip - 1;
    }
  }
  return kept;
}

QStringList AppCommandLine::WithoutDisplayOptions(const std::vector<char*>& arguments) {
  QStringList kept;
  for (std::size_t i = 0; i < arguments.size() && arguments[i]; ++i) {
    const int skip = i == 0 ? 0 : OptionLength(arguments[i], kDisplayOptions);
    if (skip == 0) {
      kept << QString::fromLocal8Bit(arguments[i]);
    } else {
      i += std::size_t(skip - 1);
    }
  }
  return kept;
}

bool AppCommandLine::AsksForTextOnly(const std::vector<char*>& arguments) {
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string_view arg = arguments[i];
    if (arg == "-h" || arg == "--help" || arg == "-?" || arg == "--help-all" || arg == "-v" ||
        arg == "--version") {
      return true;
    }
  }
  return false;
}

std::optional<int> AppCommandLine::Process(const QCoreApplication& app) {
  return Process(app.arguments());
}

std::optional<int> AppCommandLine::Process(const QStringList& arguments) {
  const QString program = QCoreApplication::applicationName().toLower();
  if (!m_parser.parse(arguments)) {
    std::fprintf(stderr, "%s: %s\nrun %s --help\n", qPrintable(program),
                 qPrintable(m_parser.errorText()), qPrintable(program));
    return kUsageError;
  }
  m_parser.process(arguments);  // help and version are printed and end the program
  if (m_parser.isSet(m_langOption) && !QtTranslations::FromName(m_parser.value(m_langOption))) {
    std::fprintf(stderr, "%s: unknown language '%s' for --lang; known: %s\n", qPrintable(program),
                 qPrintable(m_parser.value(m_langOption)),
                 qPrintable(QtTranslations::Names().join(QStringLiteral(", "))));
    return kUsageError;
  }
  if (m_parser.positionalArguments().size() <= 1) return std::nullopt;
  std::fprintf(stderr, "%s: only one file can be opened\n", qPrintable(program));
  return kUsageError;
}

QtTranslations::Language AppCommandLine::Language(std::optional<QtTranslations::Language> chosen,
                                                  QStringView systemLocale) const {
  if (m_parser.isSet(m_langOption)) {
    return QtTranslations::FromName(m_parser.value(m_langOption))
        .value_or(QtTranslations::Language::Chinese);
  }
  const QString named = qEnvironmentVariable(kLanguageVariable);
  if (const auto language = QtTranslations::FromName(named)) return *language;
  if (!named.isEmpty()) {
    std::fprintf(stderr, "%s: unknown language '%s' in %s; known: %s\n",
                 qPrintable(QCoreApplication::applicationName().toLower()), qPrintable(named),
                 kLanguageVariable, qPrintable(QtTranslations::Names().join(QStringLiteral(", "))));
  }
  if (chosen) return *chosen;
  return QtTranslations::FromLocale(systemLocale).value_or(QtTranslations::Language::Chinese);
}

QString AppCommandLine::SystemLocale() { return QLocale::system().uiLanguages().value(0); }

QString AppCommandLine::File() const {
  const QStringList files = m_parser.positionalArguments();
  return files.isEmpty() ? QString() : files.first();
}

QString AppCommandLine::LogFile() const { return m_parser.value(QStringLiteral("log")); }

}  // namespace velmora
