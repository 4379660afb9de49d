#include "transfer/DataFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace velmora {

QString DataFolder::location(const QString& name) {
  const QString root = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  return root.isEmpty() ? QString() : root + QLatin1Char('/') + name;
}

QString DataFolder::subfolder(const QString& name) {
  const QString path = location(name);
  return !path.isEmpty() && QDir().mkpath(path) ? path : QString();
}

QString DataFolder::newFilePath(const QString& name, const QDateTime& at, const QString& tag) {
  const QString folder = subfolder(name);
  return folder.isEmpty() ? QString() : newFilePathIn(folder, at, tag);
}

QString DataFolder::newFilePathIn(const QString& folder, const QDateTime& at, const QString& tag) {
  QString stem = folder + QLatin1Char('/') + at.toString(QStringLiteral("yyyyMMdd-HHmmss"));
  if (!tag.isEmpty()) stem += QLatin1Char('-') + tag;
  QString path = stem + QStringLiteral(".dat");
  for (int n = 2;; ++n) {
    const QFileInfo file(path);
    if (!file.exists() && !file.isSymLink()) return path;
    path = stem + QLatin1Char('-') + QString::number(n) + QStringLiteral(".dat");
  }
}

}  // namespace velmora
