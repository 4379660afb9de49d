#pragma once

#include <memory>

#include "radio/PortNames.h"
#include "radio/ProtocolTiming.h"
#include "radio/SerialLine.h"

class QSerialPort;

namespace velmora {

// The serial line on QSerialPort. The port object lives only between Open and Close and belongs to
// the thread that opened it, so one QtSerialLine may be set up on one thread and used on another
// (a QThread) as long as Open, the transfers and Close run on the same one.
class QtSerialLine final : public SerialLine {
 public:
  explicit QtSerialLine(const ProtocolTiming& timing = kRealTiming, PortNames names = PortNames());
  ~QtSerialLine() override;
  QtSerialLine(const QtSerialLine&) = delete;
  QtSerialLine& operator=(const QtSerialLine&) = delete;

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
  void Configure();
  // Waits for more input until the deadline; false when the deadline passed or the line broke.
  bool WaitForInput(std::chrono::steady_clock::time_point deadline);

  ProtocolTiming m_timing;
  PortNames m_names;
  std::unique_ptr<QSerialPort> m_port;
  std::string m_name;  // as asked for, for the trace
  PortStatus m_status;
};

}  // namespace velmora
