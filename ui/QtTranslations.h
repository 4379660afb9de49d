#pragma once

#include <QStringList>
#include <QStringView>
#include <optional>

class QCoreApplication;

namespace velmora {

// The window's language. Chinese, its texts' own language, is the default whatever the system
// locale; English loads the program's English catalog and leaves Qt's own texts in English.
class QtTranslations {
 public:
  enum class Language { Chinese, English };

  // Qt's own texts (standard buttons such as 确定 and 取消, the file chooser) in Chinese.
  static constexpr const char* kCatalog = "qtbase_zh_CN";
  // The program's English texts, compiled at build time and embedded.
  static constexpr const char* kEnglishCatalog = ":/i18n/velmora_en.qm";

  // The names --lang and VELMORA_LANG take: "zh", "en".
  static QStringList Names();
  static std::optional<Language> FromName(QStringView name);
  static QString Name(Language language);
  // The language a locale name asks for: zh* Chinese, en* English, none for any other.
  static std::optional<Language> FromLocale(QStringView locale);

  // Chinese: loads Qt's catalog from Qt's translations folder (Debian: qt6-translations-l10n),
  // false when it is not installed. English: loads the program's catalog, false when missing.
  static bool Install(QCoreApplication& app, Language language = Language::Chinese);
  // The language installed last; Chinese before any.
  static Language Installed();
};

}  // namespace velmora
