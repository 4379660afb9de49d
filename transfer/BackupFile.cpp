#include "transfer/BackupFile.h"

#include <QDir>
#include <QFile>

#include "transfer/DataFolder.h"

namespace velmora {
namespace {

constexpr int kMaxSameSecond = 1000;  // names tried for backups made within one second

}  // namespace

QString BackupFile::Folder() { return DataFolder::location(QStringLiteral("backups")); }

QString BackupFile::NewPath(const QString& folder, const QDateTime& when, const QString& port) {
  return DataFolder::newFilePathIn(folder, when, port);
}

FileResult BackupFile::Save(const CalibrationImage::Bytes& bytes, const QString& folder,
                            const QDateTime& when, const QString& port, QString& path) {
  if (!QDir().mkpath(folder)) {
    return {FileResult::Status::Failed, "cannot create the folder " + folder.toStdString()};
  }
  // The name is claimed first, so two writes in one second never share a backup.
  QFile claim;
  for (int attempt = 0; attempt < kMaxSameSecond; ++attempt) {
    path = NewPath(folder, when, port);
    claim.setFileName(path);
    if (claim.open(QIODevice::WriteOnly | QIODevice::NewOnly) || !QFile::exists(path)) break;
  }
  if (!claim.isOpen()) {
    return {FileResult::Status::Failed,
            path.toStdString() + ": " + claim.errorString().toStdString()};
  }
  claim.close();
  CalibrationImage image;
  image.AssignBytes(bytes);
  FileResult result = CalibrationFile::SaveToFile(image, path.toStdString(), {});
  if (!result.ok()) QFile::remove(path);
  return result;
}

}  // namespace velmora
