#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "radio/ProtocolConstants.h"
#include "sim/PseudoTerminal.h"
#include "sim/ServerThread.h"
#include "sim/SimulatedRadio.h"

namespace velmora::sim {

// One byte's time on the real cable: 10 bits (start, 8 data, stop) at 9600 baud.
inline constexpr std::chrono::nanoseconds kByteTime9600{(10'000'000'000 + protocol::kBaudRate / 2) /
                                                        protocol::kBaudRate};
// How long a reply waits for room on the line before it is dropped (nobody is reading).
inline constexpr std::chrono::milliseconds kStalledLineTimeout{1000};

// How long a closing line waits for the host to take the bytes already sent; closing a
// pseudo-terminal discards whatever is still unread, which no real cable does.
inline constexpr std::chrono::milliseconds kLineDrainTimeout{500};
inline constexpr std::chrono::milliseconds kLineDrainPoll{1};
// Bytes written to the master reach the slave's queue a moment later, not at once.
inline constexpr std::chrono::milliseconds kLineSettle{20};

// The radio's line, and the simulated meter's socket beside it.
enum class ByteDirection { FromHost, ToHost, HostToMeter, MeterToHost };
using ByteLogger =
    std::function<void(ByteDirection, std::span<const std::uint8_t>, SimClock::time_point)>;

// Serves a SimulatedRadio on a pseudo-terminal from its own thread. Hosts open slavePath() as
// their serial device, close it and open it again as often as they like. Every accessor may be
// called from any thread while the server runs. Several servers may run in one process.
class PtyRadioServer {
 public:
  PtyRadioServer() = default;
  ~PtyRadioServer();
  PtyRadioServer(const PtyRadioServer&) = delete;
  PtyRadioServer& operator=(const PtyRadioServer&) = delete;

  // Set these before Start. The logger and the listener run on the server thread; the listener
  // runs after a write block changed memory and before its acknowledgement goes out, and
  // returns false when the block could not be kept (it is then taken back and refused).
  void SetPaced(bool paced) { m_paced = paced; }  // bytes take their real 9600-baud time
  void SetByteLogger(ByteLogger logger) { m_logger = std::move(logger); }
  void SetMemoryWrittenListener(std::function<bool(const RadioMemory&)> listener);
  // Runs on the server thread whenever the radio keys or unkeys its transmitter.
  void SetTransmitListener(std::function<void(const TransmitEvent&)> listener);

  // Creates the pseudo-terminal and starts serving; false (with a reason in error) on failure.
  bool Start(std::string* error = nullptr);
  // Stops the thread and closes the pseudo-terminal; safe to call twice.
  void Stop();
  bool running() const { return m_running; }
  // True when a DropMode::CloseLine fault closed the line; the server has then ended.
  bool lineClosed() const { return m_lineClosed; }
  const std::string& slavePath() const { return m_pty.slavePath(); }

  void SetFaults(const RadioFaults& faults);
  RadioFaults faults() const;
  RadioMemory memory() const;
  void SetMemory(const RadioMemory& memory);
  std::vector<std::uint8_t> ReadMemory(std::uint16_t address, std::size_t length) const;
  void WriteMemory(std::uint16_t address, std::span<const std::uint8_t> bytes);
  std::vector<RequestRecord> requests() const;
  std::size_t CountOf(RequestRecord::Kind kind) const;
  std::vector<LiveRecord> liveCommands() const;
  void ClearRecords();
  void ResetSession();

  // Runs f on the radio under the server's lock, for anything the accessors above do not cover.
  template <class F>
  auto WithRadio(F&& f) {
    std::lock_guard lock(m_mutex);
    return f(m_radio);
  }

 private:
  void Serve();
  void HandleByte(std::uint8_t byte, SimClock::time_point readAt, SimClock::time_point& arrival);
  void Send(const std::vector<std::uint8_t>& reply);
  bool WaitWritable();
  void CloseLine();
  void Log(ByteDirection direction, std::span<const std::uint8_t> bytes);

  PseudoTerminal m_pty;
  std::atomic<bool> m_running{false};
  std::atomic<bool> m_lineClosed{false};
  bool m_paced = false;
  ByteLogger m_logger;
  std::function<bool(const RadioMemory&)> m_memoryListener;

  mutable std::mutex m_mutex;  // guards m_radio
  SimulatedRadio m_radio;
  ServerThread m_thread;  // last: it stops before what it serves goes
};

}  // namespace velmora::sim
