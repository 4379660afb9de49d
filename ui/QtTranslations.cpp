#include "ui/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace velmora {
namespace {

struct NamedLanguage {
  const char* name;
  QtTranslations::Language language;
};
constexpr NamedLanguage kLanguages[] = {{"zh", QtTranslations::Language::Chinese},
                                        {"en", QtTranslations::Language::English}};

QtTranslations::Language g_installed = QtTranslations::Language::Chinese;

bool Load(QCoreApplication& app, const QString& catalog, const QString& folder) {
  auto* translator = new QTranslator(&app);
  if (translator->load(catalog, folder) && QCoreApplication::installTranslator(translator)) {
    return true;
  }
  delete translator;
  return false;
}

}  // namespace

QStringList QtTranslations::Names() {
  QStringList list;
  for (const NamedLanguage& entry : kLanguages) list << QString::fromLatin1(entry.name);
  return list;
}

std::optional<QtTranslations::Language> QtTranslations::FromName(QStringView name) {
  for (const NamedLanguage& entry : kLanguages) {
    if (name == QLatin1StringView(entry.name)) return entry.language;
  }
  return std::nullopt;
}

QString QtTranslations::Name(Language language) {
  for (const NamedLanguage& entry : kLanguages) {
    if (entry.language == language) return QString::fromLatin1(entry.name);
  }
  return {};
}

std::optional<QtTranslations::Language> QtTranslations::FromLocale(QStringView locale) {
  for (const NamedLanguage& entry : kLanguages) {
    if (locale.startsWith(QLatin1StringView(entry.name), Qt::CaseInsensitive)) {
      return entry.language;
    }
  }
  return std::nullopt;
}

QtTranslations::Language QtTranslations::Installed() { return g_installed; }

bool QtTranslations::Install(QCoreApplication& app, Language language) {
  g_installed = language;
  if (language == Language::English) return Load(app, QString::fromLatin1(kEnglishCatalog), {});
  return Load(app, QString::fromLatin1(kCatalog),
              QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

}  // namespace velmora
