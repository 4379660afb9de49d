#include "radio/TraceLog.h"

#include <cerrno>
#include <cstring>

namespace velmora {

TraceLog& TraceLog::Instance() {
  static TraceLog log;
  return log;
}

TraceLog::~TraceLog() { Close(); }

bool TraceLog::Open(const std::string& path, std::string* error) {
  Close();
  const std::lock_guard lock(m_mutex);
  if (path == "-") {
    m_file = stderr;
  } else {
    m_file = std::fopen(path.c_str(), "we");
    if (!m_file) {
      if (error) *error = path + ": " + std::strerror(errno);
      return false;
    }
    m_owned = true;
  }
  m_start = std::chrono::steady_clock::now();
  return true;
}

void TraceLog::Close() {
  const std::lock_guard lock(m_mutex);
  if (m_owned && m_file) std::fclose(m_file);
  m_file = nullptr;
  m_owned = false;
}

bool TraceLog::enabled() const {
  const std::lock_guard lock(m_mutex);
  return m_file != nullptr;
}

double TraceLog::Seconds() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
}

void TraceLog::Bytes(const std::string& port, Direction direction,
                     std::span<const std::uint8_t> bytes) {
  const std::lock_guard lock(m_mutex);
  if (!m_file || bytes.empty()) return;
  static constexpr const char* kArrows[] = {"host>radio", "radio>host", "host>instrument",
                                            "instrument>host"};
  std::fprintf(m_file, "%11.6f %s %s", Seconds(), port.c_str(),
               kArrows[static_cast<int>(direction)]);
  for (const std::uint8_t b : bytes) std::fprintf(m_file, " %02X", b);
  std::fputc('\n', m_file);
  std::fflush(m_file);
}

void TraceLog::Note(const std::string& text) {
  const std::lock_guard lock(m_mutex);
  if (!m_file) return;
  std::fprintf(m_file, "%11.6f # %s\n", Seconds(), text.c_str());
  std::fflush(m_file);
}

}  // namespace velmora
