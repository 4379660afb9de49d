#include "radio/QtSerialLine.h"

#include <QSerialPort>
#include <QString>
#include <algorithm>

#include "radio/ProtocolConstants.h"
#include "radio/RadioLogging.h"
#include "radio/TraceLog.h"

namespace velmora {

namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds left until the deadline, rounded up so a wait never ends before it.
int MillisecondsUntil(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
  return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

}  // namespace

QtSerialLine::QtSerialLine(const ProtocolTiming& timing, PortNames names)
    : m_timing(timing), m_names(std::move(names)) {}

QtSerialLine::~QtSerialLine() { Close(); }

bool QtSerialLine::Open(const std::string& name) {
  if (m_port) {
    return true;
  }
  const std::string device = m_names.Resolve(name);
  m_name = name;
  m_status = {PortStatus::State::Free, device, {}, {}, {}};
  if (device.empty()) {
    m_status = PortStatus::Diagnose(device, {});
  } else {
    // Created here rather than in the constructor: the port belongs to the thread that uses it.
    auto port = std::make_unique<QSerialPort>();
    port->setPortName(QString::fromStdString(device));
    // Opening is exclusive: a device another port object (or program) holds stays unusable.
    if (port->open(QIODevice::ReadWrite)) {
      m_port = std::move(port);
      Configure();
    } else {
      m_status = PortStatus::Diagnose(device, port->errorString().toStdString());
    }
  }
  const std::string result = PortStatus::Name(name, device) +
                             " open: " + (m_port ? std::string("ok") : m_status.Describe());
  TraceLog::Instance().Note(result);
  qCDebug(lcSerial) << result.c_str();
  return m_port != nullptr;
}

PortStatus QtSerialLine::Probe(const std::string& name, PortNames names) {
  QtSerialLine line(kRealTiming, std::move(names));
  line.Open(name);
  line.Close();
  return line.LastOpenStatus();
}

void QtSerialLine::Configure() {
  // Outcomes are not examined: a device that refuses a setting is still tried. QSerialPort keeps
  // the line raw (binary) without flow control, so no data byte is taken for XON or XOFF.
  m_port->setBaudRate(protocol::kBaudRate);
  m_port->setDataBits(QSerialPort::Data8);
  m_port->setParity(QSerialPort::NoParity);
  m_port->setStopBits(QSerialPort::OneStop);
  m_port->setDataTerminalReady(true);
  // The input queue; the output side has no separate size on this platform.
  m_port->setReadBufferSize(protocol::kInputQueueSize);
}

bool QtSerialLine::Close() {
  if (m_port) {
    m_port->close();  // the descriptor is released even when the system reports an error
    m_port.reset();
    TraceLog::Instance().Note(m_name + " closed");
  }
  return true;
}

int QtSerialLine::Write(std::span<const std::uint8_t> data) {
  if (!m_port || data.empty()) {
    return 0;
  }
  const auto deadline = Clock::now() + m_timing.WriteTotal(data.size());
  const qint64 queued =
      m_port->write(reinterpret_cast<const char*>(data.data()), static_cast<qint64>(data.size()));
  if (queued <= 0) {
    return 0;
  }
  while (m_port->bytesToWrite() > 0) {
    const int left = MillisecondsUntil(deadline);
    if (left == 0) {
      break;
    }
    m_port->clearError();
    if (!m_port->waitForBytesWritten(left) && m_port->error() != QSerialPort::TimeoutError) {
      break;
    }
  }
  const qint64 unsent = m_port->bytesToWrite();
  if (unsent > 0) {
    m_port->clear(QSerialPort::Output);  // a timed-out write must not go out later
  }
  const auto sent = static_cast<std::size_t>(queued - unsent);
  TraceLog::Instance().Bytes(m_name, TraceLog::Direction::ToRadio, data.first(sent));
  return static_cast<int>(sent);
}

int QtSerialLine::Read(std::span<std::uint8_t> buffer) {
  if (!m_port || buffer.empty()) {
    return 0;
  }
  const auto totalDeadline = Clock::now() + m_timing.ReadTotal(buffer.size());
  std::size_t got = 0;
  Clock::time_point lastByte;
  for (;;) {
    const qint64 n = m_port->read(reinterpret_cast<char*>(buffer.data() + got),
                                  static_cast<qint64>(buffer.size() - got));
    if (n > 0) {
      got += static_cast<std::size_t>(n);
      lastByte = Clock::now();
    }
    if (got == buffer.size()) {
      break;
    }
    // The gap between bytes counts only once the first byte is in.
    const auto deadline =
        got == 0 ? totalDeadline : std::min(totalDeadline, lastByte + m_timing.readInterval);
    if (!WaitForInput(deadline)) {
      break;
    }
  }
  TraceLog::Instance().Bytes(m_name, TraceLog::Direction::FromRadio, buffer.first(got));
  return static_cast<int>(got);
}

bool QtSerialLine::WaitForInput(Clock::time_point deadline) {
  for (;;) {
    const int left = MillisecondsUntil(deadline);
    if (left == 0) {
      return false;
    }
    m_port->clearError();
    if (m_port->waitForReadyRead(left)) {
      return true;
    }
    if (m_port->error() != QSerialPort::TimeoutError) {
      return false;  // the device went away or failed: no more input will come
    }
  }
}

void QtSerialLine::Purge() {
  if (m_port) {
    m_port->clear(QSerialPort::AllDirections);
  }
}

}  // namespace velmora
