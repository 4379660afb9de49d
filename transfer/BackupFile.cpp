#include "transfer/BackupFile.h"

#include "transfer/DataFolder.h"

namespace velmora {

QString BackupFile::Folder(QString* problem) {
  return DataFolder::location(QStringLiteral("backups"), problem);
}

QString BackupFile::NewPath(const QString& folder, const QDateTime& when, const QString& port) {
  return DataFolder::newFilePathIn(folder, when, port);
}

FileResult BackupFile::Save(const CalibrationImage::Bytes& bytes, const QString& folder,
                            const QDateTime& when, const QString& port, QString& path,
                            SafeFile::Access access) {
  return DataFolder::saveNewIn(folder, access, when, port, bytes, path);
}

}  // namespace velmora
