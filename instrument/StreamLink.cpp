#include "instrument/StreamLink.h"

namespace velmora {

QString StreamLink::Failure(const QString& what) const {
  return QStringLiteral("%1 %2: %3").arg(what, m_name, m_device.errorString());
}

bool StreamLink::Write(const QByteArray& bytes, QString& error) {
  if (m_device.write(bytes) == bytes.size() &&
      (m_device.bytesToWrite() == 0 ||
       m_device.waitForBytesWritten(static_cast<int>(kWriteTimeout.count())))) {
    return true;
  }
  error = Failure(QStringLiteral("cannot send to"));
  return false;
}

QByteArray StreamLink::Read(std::chrono::milliseconds timeout, QString& error) {
  if (m_device.bytesAvailable() == 0 &&
      !m_device.waitForReadyRead(static_cast<int>(timeout.count())) && Lost()) {
    error = Failure(QStringLiteral("lost"));
  }
  return m_device.read(kReadChunk);
}

void StreamLink::Clear() { m_device.readAll(); }

}  // namespace velmora
