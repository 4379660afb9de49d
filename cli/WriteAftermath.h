#pragma once

#include <string>

#include "transfer/TransferOutcome.h"

namespace velmora {

// What a write that did not succeed leaves for the technician: whether the radio was changed and
// the command that writes its backup back, ready to paste into a shell.
class WriteAftermath {
 public:
  // "已写入 4/14 块", then, when a block went out, "restore: velmora-cli write BACKUP --port N"
  // (or why there is nothing to restore from).
  static std::string Describe(const TransferOutcome& outcome, const std::string& backup, int port);
  // What a second stop signal during a write prints before the program ends (the radio may hold
  // part of the new bytes): "COM1: stopped during the write; restore: ...", one line.
  static std::string Interrupted(const std::string& backup, int port);
  // The write command that puts a backup into the radio on COM<port>.
  static std::string RestoreCommand(const std::string& backup, int port);
};

}  // namespace velmora
