#include "sim/ByteLog.h"

#include <cstdio>

#include "core/HexText.h"
#include "core/SafeFile.h"

namespace velmora::sim {
namespace {

constexpr int kStandardError = 2;

}  // namespace

ByteLog::~ByteLog() {
  if (m_owned && m_handle >= 0) SafeFile::CloseAppend(m_handle);
}

bool ByteLog::Open(const std::string& path, std::string* error) {
  if (path == "-") {
    m_handle = kStandardError;
    return true;
  }
  const SafeFile::Result opened = SafeFile::OpenAppend(path, m_handle);
  if (!opened.ok()) {
    if (error) *error = "--log " + SafeFile::Shown(path) + ": " + opened.Text();
    return false;
  }
  m_owned = true;
  return true;
}

void ByteLog::Write(ByteDirection direction, std::span<const std::uint8_t> bytes,
                    SimClock::time_point at) {
  static constexpr const char* kArrows[] = {"host>radio", "radio>host", "host>meter", "meter>host"};
  char start[48];
  std::snprintf(start, sizeof start, "%11.6f %s",
                std::chrono::duration<double>(at - m_start).count(),
                kArrows[static_cast<int>(direction)]);
  Line(bytes.empty() ? std::string(start) : start + (' ' + HexText::Bytes(bytes)));
}

void ByteLog::Note(const std::string& text) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%11.6f # ",
                std::chrono::duration<double>(SimClock::now() - m_start).count());
  Line(seconds + text);
}

void ByteLog::Line(const std::string& text) {
  const std::lock_guard lock(m_mutex);
  if (m_handle >= 0) SafeFile::Append(m_handle, text + "\n");
}

}  // namespace velmora::sim
