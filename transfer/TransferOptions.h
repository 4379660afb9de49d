#pragma once

#include <QString>

namespace velmora {

// What a job does beyond the plain exchanges. The defaults keep every job's wire sequence as it
// always was; the window and the command-line tool ask for more.
struct TransferOptions {
  bool onlyStoredPort = false;  // talk to the image's port alone, never scan on
  bool backup = false;          // a write first saves what it is about to change
  bool verify = false;          // a write reads back every block it wrote
  bool readTwice = false;       // a read fetches every region twice and wants both alike
  bool holdPort = false;        // the port stays open (and locked) after the job, for the next
  QString backupFolder;         // empty: BackupFile::Folder()
  // After a successful write with backup, the port's backups beyond this many newest that are
  // older than a year are removed; kKeepAllBackups removes none.
  static constexpr int kKeepAllBackups = -1;
  static constexpr int kDefaultKeptBackups = 20;
  int keepBackups = kDefaultKeptBackups;
};

}  // namespace velmora
