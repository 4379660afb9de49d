#include "instrument/StreamLink.h"

namespace velmora {

QString StreamLink::failure(const QString& what) const {
  return QStringLiteral("%1 %2: %3").arg(what, m_name, m_device.errorString());
}

bool StreamLink::write(const QByteArray& bytes, QString& error) {
  if (m_device.write(bytes) == bytes.size() &&
      (m_device.bytesToWrite() == 0 ||
       m_device.waitForBytesWritten(static_cast<int>(kWriteTimeout.count())))) {
    return true;
  }
  error = failure(QStringLiteral("cannot send to"));
  return false;
}

QByteArray StreamLink::read(std::chrono::milliseconds timeout, QString& error) {
  if (m_device.bytesAvailable() == 0 &&
      !m_device.waitForReadyRead(static_cast<int>(timeout.count())) && lost()) {
    error = failure(QStringLiteral("lost"));
  }
  return m_device.read(kReadChunk);
}

void StreamLink::clear() { m_device.readAll(); }

}  // namespace velmora
