#include "trace/TraceLog.h"

#include <QDateTime>
#include <QSysInfo>
#include <cstdio>

#include "core/HexText.h"
#include "core/SafeFile.h"

namespace velmora {
namespace {

constexpr int kStandardError = 2;

std::string Header(const std::vector<std::string>& commandLine, const std::string& version) {
  const std::string program = commandLine.empty() ? std::string("velmora") : commandLine[0];
  const QDateTime now = QDateTime::currentDateTime();
  std::string text =
      program.substr(program.rfind('/') + 1) + " " + version + " started " +
      now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODateWithMs).toStdString() + " on " +
      QSysInfo::machineHostName().toStdString() + ":";
  for (const std::string& argument : commandLine) {
    text += ' ';  // piece by piece: GCC 12 at -O3 warns falsely about literal + temporary
    text += SafeFile::ShellQuoted(argument);
  }
  return text;
}

}  // namespace

TraceLog& TraceLog::Instance() {
  static TraceLog log;
  return log;
}

TraceLog::~TraceLog() { Close(); }

bool TraceLog::Open(const std::string& path, const std::vector<std::string>& commandLine,
                    const std::string& version, std::string* error) {
  Close();
  const std::lock_guard lock(m_mutex);
  int handle = kStandardError;
  if (path != "-") {
    const SafeFile::Result opened = SafeFile::OpenAppend(path, handle);
    if (!opened.ok()) {
      if (error) {
        *error = "--log " + SafeFile::Shown(path) + ": " + opened.Text() +
                 (opened.refusal == SafeFile::Refusal::NotRegular
                      ? "; the trace goes to a regular file, or to stderr with --log -"
                      : "");
      }
      return false;
    }
  }
  m_start = std::chrono::steady_clock::now();
  const std::string header = Header(commandLine, version);
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%11.6f # ", Seconds());
  const SafeFile::Result written = SafeFile::Append(handle, seconds + header + "\n");
  if (!written.ok()) {
    if (path != "-") SafeFile::CloseAppend(handle);
    if (error) *error = "--log " + SafeFile::Shown(path) + ": " + written.Text();
    return false;
  }
  m_handle = handle;
  m_owned = path != "-";
  m_path = path;
  return true;
}

void TraceLog::Close() {
  const std::lock_guard lock(m_mutex);
  if (m_owned && m_handle >= 0) SafeFile::CloseAppend(m_handle);
  m_handle = -1;
  m_owned = false;
}

bool TraceLog::Enabled() const {
  const std::lock_guard lock(m_mutex);
  return m_handle >= 0;
}

double TraceLog::Seconds() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
}

void TraceLog::Line(const std::string& text) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%11.6f ", Seconds());
  const SafeFile::Result written = SafeFile::Append(m_handle, seconds + text + "\n");
  if (written.ok()) return;
  const std::string told = "the trace " + SafeFile::Shown(m_path) + " could not be written (" +
                           written.Text() + "); tracing stopped\n";
  SafeFile::Append(kStandardError, told);
  if (m_owned) SafeFile::CloseAppend(m_handle);
  m_handle = -1;
  m_owned = false;
}

void TraceLog::Bytes(const std::string& port, Direction direction,
                     std::span<const std::uint8_t> bytes) {
  const std::lock_guard lock(m_mutex);
  if (m_handle < 0 || bytes.empty()) return;
  static constexpr const char* kArrows[] = {" host>radio", " radio>host", " host>instrument",
                                            " instrument>host"};
  std::string text = port + kArrows[static_cast<int>(direction)] + ' ' + HexText::Bytes(bytes);
  // A meter speaks SCPI text: its line is shown as text too, escaped as every shown text is.
  if (direction == Direction::ToInstrument || direction == Direction::FromInstrument)
    text += "  " + SafeFile::Shown(std::string(bytes.begin(), bytes.end()));
  Line(text);
}

void TraceLog::Note(const std::string& text) {
  const std::lock_guard lock(m_mutex);
  if (m_handle >= 0) Line("# " + text);
}

}  // namespace velmora
