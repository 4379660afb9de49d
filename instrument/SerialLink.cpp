#include "instrument/SerialLink.h"

#include "instrument/FileKind.h"

namespace velmora {

SerialLink::SerialLink(const QString& device, qint32 baud)
    : StreamLink(m_port, device), m_device(device), m_baud(baud) {
  m_port.setPortName(device);
}

bool SerialLink::Open(QString& error) {
  // Only a terminal has a baud rate; anything else would be waited on or written into.
  const auto kind = FileKind::Of(m_device);
  if (kind != FileKind::Kind::CharacterDevice && kind != FileKind::Kind::Missing) {
    error = QStringLiteral("%1: %2, not a serial port").arg(m_device, FileKind::Describe(kind));
    return false;
  }
  // A device that is no terminal fails the port's own open.
  if (m_port.open(QIODevice::ReadWrite) && m_port.setBaudRate(m_baud) &&
      m_port.setDataBits(QSerialPort::Data8) && m_port.setParity(QSerialPort::NoParity) &&
      m_port.setStopBits(QSerialPort::OneStop) &&
      m_port.setFlowControl(QSerialPort::NoFlowControl)) {
    return true;
  }
  error = Failure(QStringLiteral("cannot open"));
  m_port.close();
  return false;
}

bool SerialLink::Lost() const {
  return m_port.error() != QSerialPort::NoError && m_port.error() != QSerialPort::TimeoutError;
}

void SerialLink::Clear() {
  m_port.clear(QSerialPort::Input);
  StreamLink::Clear();
}

}  // namespace velmora
