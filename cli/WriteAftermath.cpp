#include "cli/WriteAftermath.h"

#include <QCoreApplication>
#include <QStringList>
#include <algorithm>
#include <cstdio>

#include "transfer/WritePlan.h"

namespace velmora {
namespace {

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

bool NeedsNoQuotes(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("_@%+=:,./-").find(char(c)) != std::string_view::npos;
  });
}

// The tool as the user can call it again: the name typed when the shell found it on PATH,
// otherwise the program's own absolute path.
std::string Program() {
  if (!QCoreApplication::instance()) return "velmora-cli";
  const QString typed = QCoreApplication::arguments().value(0);
  if (!typed.isEmpty() && !typed.contains(QLatin1Char('/'))) return typed.toStdString();
  return QCoreApplication::applicationFilePath().toStdString();
}

}  // namespace

std::string WriteAftermath::ShellQuoted(const std::string& text) {
  if (NeedsNoQuotes(text)) return text;
  if (std::none_of(text.begin(), text.end(), [](unsigned char c) { return IsControl(c); })) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
  }
  std::string quoted = "$'";
  for (const char c : text) {
    if (c == '\\' || c == '\'') {
      quoted += '\\';
      quoted += c;
    } else if (IsControl(static_cast<unsigned char>(c))) {
      char octal[8];
      std::snprintf(octal, sizeof octal, "\\%03o", static_cast<unsigned char>(c));
      quoted += octal;
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

std::string WriteAftermath::RestoreCommand(const std::string& backup, int port) {
  return ShellQuoted(Program()) + " write " + ShellQuoted(backup) + " --port " +
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
