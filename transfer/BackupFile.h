#pragma once

#include <QDateTime>
#include <QString>

#include "core/CalibrationFile.h"
#include "core/CalibrationImage.h"
#include "core/SafeFile.h"

namespace velmora {

// The copy of a radio's bytes that every write saves before it changes them: an ordinary
// calibration file in the data folder's backups/, named by date, time and port, so writing it
// puts the radio back as it was.
class BackupFile {
 public:
  // QStandardPaths::AppDataLocation + "/backups"; empty, with the reason in problem, when there
  // is no usable data folder.
  static QString Folder(QString* problem = nullptr);
  // folder/yyyyMMdd-HHmmss-PORT.dat, or ...-PORT-2.dat, -3 ... when that name is taken.
  static QString NewPath(const QString& folder, const QDateTime& when, const QString& port);
  // Creates the folder and saves the bytes there under a new name (see DataFolder::saveNewIn);
  // path receives the file's name. Private for the data folder's own backups; a folder the user
  // named keeps its files as the umask says.
  static FileResult Save(const CalibrationImage::Bytes& bytes, const QString& folder,
                         const QDateTime& when, const QString& port, QString& path,
                         SafeFile::Access access = SafeFile::Access::Private);
};

}  // namespace velmora
