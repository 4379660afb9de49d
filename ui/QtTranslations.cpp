#include "ui/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace velmora {

bool QtTranslations::install(QCoreApplication& app) {
  auto* translator = new QTranslator(&app);
  if (translator->load(QString::fromLatin1(kCatalog),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
      QCoreApplication::installTranslator(translator)) {
    return true;
  }
  delete translator;
  return false;
}

}  // namespace velmora
