#pragma once

#include <mutex>
#include <span>
#include <string>

#include "sim/PtyRadioServer.h"

namespace velmora::sim {

// Writes every byte on the line as one text line per chunk: seconds since the start, the
// direction ("host>radio", "radio>host", or "host>meter" and "meter>host" for the simulated
// meter) and the bytes in hex. The radio's and the meter's threads may write at once.
class ByteLog {
 public:
  ByteLog() = default;
  ~ByteLog();
  ByteLog(const ByteLog&) = delete;
  ByteLog& operator=(const ByteLog&) = delete;

  // "-" logs to stderr; any other path is appended to as every trace is: a regular file, created
  // (0600) if missing. False, with the reason in error, for anything else (a FIFO, a folder).
  bool Open(const std::string& path, std::string* error);
  void Write(ByteDirection direction, std::span<const std::uint8_t> bytes, SimClock::time_point at);
  void Note(const std::string& text);

 private:
  void Line(const std::string& text);

  std::mutex m_mutex;  // one line at a time
  int m_handle = -1;
  bool m_owned = false;
  SimClock::time_point m_start = SimClock::now();
};

}  // namespace velmora::sim
