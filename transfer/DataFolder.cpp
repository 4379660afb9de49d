#include "transfer/DataFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>

namespace velmora {
namespace {

constexpr int kMaxSameSecond = 1000;  // names tried for files made within one second

// Qt would make a relative folder of a relative XDG_DATA_HOME, and "/.local/share" without HOME.
QString Unusable() {
#ifndef Q_OS_WIN
  const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
  const QString home = qEnvironmentVariable("HOME");
  const QString mend = QStringLiteral("; set HOME or XDG_DATA_HOME to an absolute folder");
  if (!dataHome.isEmpty() && QDir::isRelativePath(dataHome)) {
    return QStringLiteral("no data folder: XDG_DATA_HOME is not an absolute path") + mend;
  }
  if (dataHome.isEmpty() && (home.isEmpty() || QDir::isRelativePath(home))) {
    return QStringLiteral("no data folder: HOME is not set to an absolute path") + mend;
  }
#endif
  return {};
}

}  // namespace

QString DataFolder::Location(const QString& name, QString* problem) {
  QString why = Unusable();
  const QString root =
      why.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) : QString();
  if (root.isEmpty() && why.isEmpty()) why = QStringLiteral("no data folder on this system");
  if (problem) *problem = why;
  return root.isEmpty() ? QString() : root + QLatin1Char('/') + name;
}

QString DataFolder::Subfolder(const QString& name) {
  const QString path = Location(name);
  return !path.isEmpty() &&
                 SafeFile::MakeFolders(path.toStdString(), SafeFile::Access::Private).ok()
             ? path
             : QString();
}

QString DataFolder::NewFilePath(const QString& name, const QDateTime& at, const QString& tag) {
  const QString folder = Subfolder(name);
  return folder.isEmpty() ? QString() : NewFilePathIn(folder, at, tag);
}

QString DataFolder::NewFilePathIn(const QString& folder, const QDateTime& at, const QString& tag) {
  QString stem = folder + QLatin1Char('/') + at.toString(QStringLiteral("yyyyMMdd-HHmmss"));
  if (!tag.isEmpty()) stem += QLatin1Char('-') + tag;
  QString path = stem + QStringLiteral(".dat");
  for (int n = 2;; ++n) {
    const QFileInfo file(path);
    if (!file.exists() && !file.isSymLink()) return path;
    path = stem + QLatin1Char('-') + QString::number(n) + QStringLiteral(".dat");
  }
}

FileResult DataFolder::SaveNewIn(const QString& folder, SafeFile::Access access,
                                 const QDateTime& at, const QString& tag,
                                 std::span<const std::uint8_t> bytes, QString& path) {
  const std::string where = folder.toStdString();
  const SafeFile::Result made = SafeFile::MakeFolders(where, access);
  if (!made.ok()) return {FileResult::Status::Failed, SafeFile::Shown(where) + ": " + made.Text()};
  SafeFile::Result saved;
  for (int attempt = 0; attempt < kMaxSameSecond; ++attempt) {
    path = NewFilePathIn(folder, at, tag);
    saved = SafeFile::Write(path.toStdString(), bytes, access, SafeFile::Mode::New);
    if (saved.error != EEXIST) break;  // else another program took the name just now
  }
  if (saved.ok()) return {};
  return {FileResult::Status::Failed, SafeFile::Shown(path.toStdString()) + ": " + saved.Text()};
}

}  // namespace velmora
