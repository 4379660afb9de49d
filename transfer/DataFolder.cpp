#include "transfer/DataFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace velmora {

QString DataFolder::subfolder(const QString& name) {
  const QString root = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  if (root.isEmpty()) return {};
  const QString path = root + QLatin1Char('/') + name;
  return QDir().mkpath(path) ? path : QString();
}

QString DataFolder::newFilePath(const QString& name, const QDateTime& at, const QString& tag) {
  const QString folder = subfolder(name);
  if (folder.isEmpty()) return {};
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
