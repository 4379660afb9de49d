#include "cli/WriteAftermath.h"

#include <QCoreApplication>
#include <QStringList>
#include <algorithm>
#include <cstdio>

#include "core/SafeFile.h"
#include "transfer/WritePlan.h"

namespace velmora {
namespace {

// The tool as the user can call it again: the name typed when the shell found it on PATH,
// otherwise the program's own absolute path.
std::string Program() {
  if (!QCoreApplication::instance()) return "velmora-cli";
  const QString typed = QCoreApplication::arguments().value(0);
  if (!typed.isEmpty() && !typed.contains(QLatin1Char('/'))) return typed.toStdString();
  return QCoreApplication::applicationFilePath().toStdString();
}

}  // namespace

std::string WriteAftermath::RestoreCommand(const std::string& backup, int port) {
  return SafeFile::ShellQuoted(Program()) + " write " + SafeFile::ShellQuoted(backup) + " --port " +
         std::to_string(port);
}

std::string WriteAftermath::Describe(const TransferOutcome& outcome, const std::string& backup,
                                     int port) {
  const int total = outcome.blockCount > 0 ? outcome.blockCount : WritePlan::kBlockCount;
  std::string text =
      "已写入 " + std::to_string(outcome.blocksWritten) + "/" + std::to_string(total) + " 块";
  if (outcome.blocksSent > outcome.blocksWritten) {
    text += " (block " + std::to_string(outcome.blocksSent) + " sent, not acknowledged)";
  }
  if (outcome.blocksSent == 0) return text;  // nothing reached the radio
  if (backup.empty()) return text + "  restore: no backup was made; the old values are lost";
  return text + "  restore: " + RestoreCommand(backup, port);
}

}  // namespace velmora
