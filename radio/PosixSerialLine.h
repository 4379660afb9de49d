#pragma once

#include <termios.h>

#include <chrono>

#include "radio/PortNames.h"
#include "radio/ProtocolTiming.h"
#include "radio/SerialLine.h"

namespace velmora {

// The serial line on the system's own terminal interface: one descriptor, raw 9600 8N1, DTR
// raised, held exclusively (TIOCEXCL and flock) and given back with the settings it came with.
// Open, the transfers and Close may run on any thread, one at a time.
class PosixSerialLine final : public SerialLine {
 public:
  explicit PosixSerialLine(const ProtocolTiming& timing = kRealTiming,
                           PortNames names = PortNames());
  ~PosixSerialLine() override;
  PosixSerialLine(const PosixSerialLine&) = delete;
  PosixSerialLine& operator=(const PosixSerialLine&) = delete;

  // Takes "COMn" (resolved through PortNames) or a device path.
  bool Open(const std::string& name) override;
  bool Close() override;
  int Write(std::span<const std::uint8_t> data) override;
  int Read(std::span<std::uint8_t> buffer) override;
  void Purge() override;
  PortStatus LastOpenStatus() const override { return m_status; }

  // Whether the named port can be opened right now: opens it and closes it again.
  static PortStatus Probe(const std::string& name, PortNames names = PortNames());

 private:
  using Clock = std::chrono::steady_clock;

  // The descriptor, opened exclusively and configured; -1 with m_status telling why.
  int OpenDevice(const std::string& device);
  // Waits until the descriptor is ready for events or the deadline passes; false when the
  // deadline passed or the line broke.
  bool WaitFor(short events, Clock::time_point deadline) const;

  ProtocolTiming m_timing;
  PortNames m_names;
  int m_fd = -1;
  termios m_original{};
  std::string m_name;  // as asked for, for the trace
  PortStatus m_status;
};

}  // namespace velmora
