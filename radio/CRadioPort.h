#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "radio/ProtocolConstants.h"
#include "radio/ProtocolTiming.h"
#include "radio/SerialLine.h"

namespace velmora {

// The radio's serial port with the programming-mode protocol on top. Every operation blocks the
// calling thread; one thread at a time uses an object. Protocol steps return true on success.
class CRadioPort {
 public:
  enum class Direction { Send, Receive };
  using PauseFunction = std::function<void(std::chrono::milliseconds)>;

  // The line comes from whoever makes the port: the programs pass the serial line of radio/,
  // tests a fake line on a virtual clock.
  explicit CRadioPort(std::unique_ptr<SerialLine> line, const ProtocolTiming& timing = kRealTiming,
                      PauseFunction pause = SleepCallingThread);
  ~CRadioPort();
  CRadioPort(const CRadioPort&) = delete;
  CRadioPort& operator=(const CRadioPort&) = delete;

  bool Open(const std::string& name);
  bool Close();
  void CloseIfOpen();
  bool IsOpen() const { return m_bOpen; }
  // The device the last Open resolved to, and why it did not open.
  PortStatus LastOpenStatus() const { return m_line->LastOpenStatus(); }
  // Asked between handshake attempts; true ends the handshake as failed, sending nothing more.
  void SetCancelCheck(std::function<bool()> cancelled) { m_cancelled = std::move(cancelled); }

  int Write(std::span<const std::uint8_t> data);
  int Read(std::span<std::uint8_t> buffer);

  bool Handshake(int retries);
  bool Identify();
  // The eight bytes the radio answered its last identification with ("" before any).
  const std::string& identification() const { return m_identification; }
  // received, when given, tells whether dst now holds the radio's data (even on a failure).
  bool ReadBlock(std::uint8_t hi, std::uint8_t lo,
                 std::span<std::uint8_t, protocol::kReadBlockSize> dst, bool* received = nullptr);
  bool WriteBlock(std::uint8_t hi, std::uint8_t lo,
                  std::span<const std::uint8_t, protocol::kWriteBlockSize> src);
  bool SendLiveCommand(std::span<const std::uint8_t> cmd);

  static void ScrambleNibbles(std::span<std::uint8_t> buffer, Direction direction);
  static std::uint8_t MapNibble(std::uint8_t value, Direction direction);

  static void SleepCallingThread(std::chrono::milliseconds duration);

 private:
  bool WriteByte(std::uint8_t value);
  // Reads one byte; true when it arrived and equals the expected value.
  bool ExpectByte(std::uint8_t expected);

  std::unique_ptr<SerialLine> m_line;  // the owned device; stands in for the OS handle
  bool m_bOpen = false;
  ProtocolTiming m_timing;
  PauseFunction m_pause;
  std::function<bool()> m_cancelled;
  std::string m_identification;
};

}  // namespace velmora
