#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <span>
#include <string>

namespace velmora {

// The support trace that --log writes: every byte on the line with time, port and direction,
// every open and close with its result, every job's start and outcome. One line per event:
// seconds since the trace began, then "COM1 host>radio 52 0F 80 40" or "# text", as the
// simulated radio logs; a bench instrument's bytes read "tcp://10.0.0.9:5025 host>instrument 2A".
// Closed (and free) until Open; any thread may write to it.
class TraceLog {
 public:
  enum class Direction { ToRadio, FromRadio, ToInstrument, FromInstrument };

  static TraceLog& Instance();

  // "-" traces to stderr. False, with the reason in error, when the file cannot be created.
  bool Open(const std::string& path, std::string* error);
  void Close();
  bool enabled() const;

  void Bytes(const std::string& port, Direction direction, std::span<const std::uint8_t> bytes);
  void Note(const std::string& text);

  ~TraceLog();

 private:
  TraceLog() = default;
  double Seconds() const;

  mutable std::mutex m_mutex;
  std::FILE* m_file = nullptr;
  bool m_owned = false;
  std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

}  // namespace velmora
