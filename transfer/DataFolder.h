#pragma once

#include <QDateTime>
#include <QString>

namespace velmora {

// The folder where the programs keep files for the user (backups, reads rescued from a failed
// save): QStandardPaths::AppDataLocation, one subfolder per kind of file.
class DataFolder {
 public:
  // <data folder>/<name>, as a path only.
  static QString location(const QString& name);
  // <data folder>/<name>, created when missing; empty when it cannot be made.
  static QString subfolder(const QString& name);
  // A free path in that subfolder named after the time and a tag, such as
  // "20261207-101530-COM1.dat"; a second file in the same second gets "-2" and so on.
  // Empty when the subfolder cannot be made.
  static QString newFilePath(const QString& name, const QDateTime& at, const QString& tag);
  // The same naming in any folder.
  static QString newFilePathIn(const QString& folder, const QDateTime& at, const QString& tag);
};

}  // namespace velmora
