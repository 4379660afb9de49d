#pragma once

#include <QCommandLineParser>
#include <QString>
#include <optional>
#include <vector>

#include "ui/QtTranslations.h"

class QCoreApplication;

namespace velmora {

// The window program's command line: an optional calibration file to open at start, --lang,
// --log FILE for a support trace, --help and --version. Qt's own options that would restyle the
// window are taken out before Qt sees them.
class AppCommandLine {
 public:
  static constexpr const char* kLanguageVariable = "VELMORA_LANG";
  static constexpr int kUsageError = 2;  // the exit status for any usage error

  AppCommandLine();

  // argv without -reverse, -style and -stylesheet (either dash form, value apart or after '='):
  // the window's layout follows its templates, never a mirrored or restyled one.
  static std::vector<char*> WithoutStyleOptions(int argc, char** argv);
  // The arguments without the options Qt's window system takes (-platform, -display ...), for a
  // check of the command line before any display is opened.
  static QStringList WithoutDisplayOptions(const std::vector<char*>& arguments);
  // True when the arguments only ask for text (help or version), which needs no display.
  static bool AsksForTextOnly(const std::vector<char*>& arguments);

  // Parses the application's arguments. Help and version are printed and end the program.
  // Returns kUsageError after printing why for an unknown option or a missing value, more than
  // one file named, or an unknown --lang.
  std::optional<int> Process(const QCoreApplication& app);
  std::optional<int> Process(const QStringList& arguments);  // arguments[0] is the program
  QString File() const;
  // The support trace asked for with --log FILE, empty for none.
  QString LogFile() const;
  // --lang, else VELMORA_LANG, else the language chosen in the window's menu, else the system
  // locale (zh* Chinese, en* English), else Chinese, the texts' own language. An unknown
  // VELMORA_LANG is warned about and passed over.
  QtTranslations::Language Language(std::optional<QtTranslations::Language> chosen,
                                    QStringView systemLocale) const;
  // The user's first interface language (LANGUAGE, LC_ALL, LC_MESSAGES, LANG), e.g. "en-US".
  static QString SystemLocale();

 private:
  QCommandLineParser m_parser;
  QCommandLineOption m_langOption;
};

}  // namespace velmora
