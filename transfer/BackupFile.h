#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include "core/CalibrationFile.h"
#include "core/CalibrationImage.h"
#include "core/SafeFile.h"

namespace velmora {

// The copy of a radio's bytes that every write saves before it changes them: an ordinary
// calibration file in the data folder's backups/, named by date, time, port and radio, so writing
// it puts the radio back as it was.
class BackupFile {
 public:
  // QStandardPaths::AppDataLocation + "/backups"; empty, with the reason in problem, when there
  // is no usable data folder.
  static QString Folder(QString* problem = nullptr);
  // folder/yyyyMMdd-HHmmss-PORT.dat, or ...-PORT-2.dat, -3 ... when that name is taken.
  static QString NewPath(const QString& folder, const QDateTime& when, const QString& port);
  // Creates the folder and saves the bytes there under a new name (see DataFolder::SaveNewIn);
  // path receives the file's name. Private for the data folder's own backups; a folder the user
  // named keeps its files as the umask says.
  static FileResult Save(const CalibrationImage::Bytes& bytes, const QString& folder,
                         const QDateTime& when, const QString& port, QString& path,
                         SafeFile::Access access = SafeFile::Access::Private);
  // "COM3-564C4D2D53494D31": the port and the radio's identification bytes in hex, the part of a
  // backup's name after its time. Benches sharing a folder keep each radio's backups apart.
  static QString Tag(const QString& port, const std::string& identification);
  // Removes the radio's backups (whichever port it was on) that are older than a year and not
  // among its newest keep, by the time in their names; never justMade, nor any file not named as
  // Save names backups for that radio. Returns the paths removed.
  static QStringList Prune(const QString& folder, const std::string& identification, int keep,
                           const QDateTime& now, const QString& justMade);
};

}  // namespace velmora
