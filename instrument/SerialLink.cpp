#include "instrument/SerialLink.h"

namespace velmora {

SerialLink::SerialLink(QString device, qint32 baud) : m_device(std::move(device)), m_baud(baud) {}

bool SerialLink::open(QString& error) {
  m_port.setPortName(m_device);
  if (m_port.open(QIODevice::ReadWrite) && m_port.setBaudRate(m_baud) &&
      m_port.setDataBits(QSerialPort::Data8) && m_port.setParity(QSerialPort::NoParity) &&
      m_port.setStopBits(QSerialPort::OneStop) &&
      m_port.setFlowControl(QSerialPort::NoFlowControl)) {
    return true;
  }
  error = QStringLiteral("cannot open %1: %2").arg(m_device, m_port.errorString());
  m_port.close();
  return false;
}

void SerialLink::close() { m_port.close(); }

bool SerialLink::write(const QByteArray& bytes, QString& error) {
  if (m_port.write(bytes) == bytes.size() &&
      (m_port.bytesToWrite() == 0 ||
       m_port.waitForBytesWritten(static_cast<int>(kWriteTimeout.count())))) {
    return true;
  }
  error = QStringLiteral("cannot send to %1: %2").arg(m_device, m_port.errorString());
  return false;
}

QByteArray SerialLink::read(std::chrono::milliseconds timeout, QString& error) {
  if (m_port.bytesAvailable() == 0 && !m_port.waitForReadyRead(static_cast<int>(timeout.count())) &&
      m_port.error() != QSerialPort::NoError && m_port.error() != QSerialPort::TimeoutError) {
    error = QStringLiteral("%1: %2").arg(m_device, m_port.errorString());
  }
  return m_port.readAll();
}

void SerialLink::clear() {
  m_port.clear(QSerialPort::Input);
  m_port.readAll();
}

}  // namespace velmora
