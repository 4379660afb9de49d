#pragma once

#include <QDateTime>
#include <QString>
#include <span>

#include "core/CalibrationFile.h"
#include "core/SafeFile.h"

namespace velmora {

// The folder where the programs keep files for the user (backups, reads rescued from a failed
// save): QStandardPaths::AppDataLocation, one subfolder per kind of file. It is private: the
// folders it creates are 0700 and its files 0600, since they hold factory data and sometimes a
// customer's radio.
class DataFolder {
 public:
  // <data folder>/<name>, as a path only; empty, with the reason and how to mend it in problem,
  // when there is no absolute data folder (HOME unset, a relative XDG_DATA_HOME).
  static QString Location(const QString& name, QString* problem = nullptr);
  // <data folder>/<name>, created when missing; empty when it cannot be made.
  static QString Subfolder(const QString& name);
  // A free path in that subfolder named after the time and a tag, such as
  // "20261207-101530-COM1.dat"; a second file in the same second gets "-2" and so on.
  // Empty when the subfolder cannot be made.
  static QString NewFilePath(const QString& name, const QDateTime& at, const QString& tag);
  // The same naming in any folder.
  static QString NewFilePathIn(const QString& folder, const QDateTime& at, const QString& tag);
  // Creates the folder and saves the bytes under a new name there, never over another file and
  // never leaving an empty or partial one; path receives the name.
  static FileResult SaveNewIn(const QString& folder, SafeFile::Access access, const QDateTime& at,
                              const QString& tag, std::span<const std::uint8_t> bytes,
                              QString& path);
};

}  // namespace velmora
