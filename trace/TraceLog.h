#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <vector>

namespace velmora {

// The support trace that --log writes: every byte on the line with time, port and direction,
// every open and close with its result, every job's start and outcome. One line per event:
// seconds since the trace began, then "COM1 host>radio 52 0F 80 40" or "# text", as the
// simulated radio logs; a bench instrument's bytes read "tcp://192.0.2.9:5025 host>instrument 2A".
// A run's trace opens with a header line naming the program, its version, the wall-clock start,
// the host and the command line, and is appended to the file, so one file can hold many runs.
// Closed (and free) until Open; any thread may write to it.
class TraceLog {
 public:
  enum class Direction { ToRadio, FromRadio, ToInstrument, FromInstrument };

  static TraceLog& Instance();

  // "-" traces to stderr; any other path must be a regular file, created (0600) if missing,
  // under the rules of every file the programs write. False, with the reason in error, for
  // anything else (a FIFO, a device, a folder) or when the header cannot be written.
  // commandLine[0] is the program.
  bool Open(const std::string& path, const std::vector<std::string>& commandLine,
            const std::string& version, std::string* error);
  void Close();
  bool Enabled() const;

  void Bytes(const std::string& port, Direction direction, std::span<const std::uint8_t> bytes);
  void Note(const std::string& text);

  ~TraceLog();

 private:
  TraceLog() = default;
  double Seconds() const;
  // Writes one line; the first failure is told on stderr and ends the trace.
  void Line(const std::string& text);

  mutable std::mutex m_mutex;
  int m_handle = -1;
  bool m_owned = false;
  std::string m_path;
  std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

}  // namespace velmora
