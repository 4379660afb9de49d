#include "cli/WriteAftermath.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <cstdio>

#include "core/SafeFile.h"
#include "transfer/WritePlan.h"

namespace velmora {
namespace {

constexpr const char* kTool = "velmora-cli";

// The tool as the user can call it again, whichever of its programs prints the line (the
// instruments' program is started with velmora-cli's own name): the name typed when the shell
// found it on PATH, otherwise velmora-cli's absolute path.
std::string Program() {
  if (!QCoreApplication::instance()) return kTool;
  const QString typed = QCoreApplication::arguments().value(0);
  if (!typed.contains(QLatin1Char('/')) && !typed.contains(QLatin1Char('\\'))) return kTool;
  const QFileInfo file(typed);
  if (file.baseName() == QLatin1String(kTool)) return file.absoluteFilePath().toStdString();
  const QFileInfo beside(file.dir(), QLatin1String(kTool));
  return beside.isExecutable() ? beside.absoluteFilePath().toStdString() : kTool;
}

}  // namespace

std::string WriteAftermath::RestoreCommand(const std::string& backup, int port) {
  return SafeFile::ShellQuoted(Program()) + " write " + SafeFile::ShellQuoted(backup) + " --port " +
         std::to_string(port);
}

std::string WriteAftermath::Interrupted(const std::string& backup, int port) {
  const std::string where = "COM" + std::to_string(port) + ": stopped during the write";
  if (backup.empty()) return where + "; no backup was made, the old values are lost\n";
  return where + "; restore: " + RestoreCommand(backup, port) + "\n";
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
