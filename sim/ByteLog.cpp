#include "sim/ByteLog.h"

#include <cerrno>
#include <cstring>

namespace velmora::sim {

ByteLog::~ByteLog() {
  if (m_owned && m_file) std::fclose(m_file);
}

bool ByteLog::Open(const std::string& path, std::string* error) {
  if (path == "-") {
    m_file = stderr;
    return true;
  }
  m_file = std::fopen(path.c_str(), "we");
  if (!m_file) {
    if (error) *error = path + ": " + std::strerror(errno);
    return false;
  }
  m_owned = true;
  return true;
}

void ByteLog::Write(ByteDirection direction, std::span<const std::uint8_t> bytes,
                    SimClock::time_point at) {
  static constexpr const char* kArrows[] = {"host>radio", "radio>host", "host>meter", "meter>host"};
  const std::lock_guard lock(m_mutex);
  if (!m_file) return;
  const double seconds = std::chrono::duration<double>(at - m_start).count();
  std::fprintf(m_file, "%11.6f %s", seconds, kArrows[static_cast<int>(direction)]);
  for (const std::uint8_t b : bytes) std::fprintf(m_file, " %02X", b);
  std::fputc('\n', m_file);
  std::fflush(m_file);
}

void ByteLog::Note(const std::string& text) {
  const std::lock_guard lock(m_mutex);
  if (!m_file) return;
  const double seconds = std::chrono::duration<double>(SimClock::now() - m_start).count();
  std::fprintf(m_file, "%11.6f # %s\n", seconds, text.c_str());
  std::fflush(m_file);
}

}  // namespace velmora::sim
