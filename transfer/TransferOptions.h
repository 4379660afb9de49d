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
  QString backupFolder;         // empty: BackupFile::Folder()
};

}  // namespace velmora
