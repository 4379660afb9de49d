#include "instrument/TcpLink.h"

namespace velmora {

TcpLink::TcpLink(QString host, quint16 port) : m_host(std::move(host)), m_port(port) {}

bool TcpLink::open(QString& error) {
  m_socket.connectToHost(m_host, m_port);
  if (m_socket.waitForConnected(static_cast<int>(kConnectTimeout.count()))) return true;
  error = QStringLiteral("cannot connect to %1:%2: %3")
              .arg(m_host)
              .arg(m_port)
              .arg(m_socket.errorString());
  m_socket.abort();
  return false;
}

void TcpLink::close() { m_socket.disconnectFromHost(); }

bool TcpLink::write(const QByteArray& bytes, QString& error) {
  if (m_socket.write(bytes) == bytes.size() &&
      (m_socket.bytesToWrite() == 0 ||
       m_socket.waitForBytesWritten(static_cast<int>(kWriteTimeout.count())))) {
    return true;
  }
  error = QStringLiteral("cannot send to %1:%2: %3")
              .arg(m_host)
              .arg(m_port)
              .arg(m_socket.errorString());
  return false;
}

QByteArray TcpLink::read(std::chrono::milliseconds timeout, QString& error) {
  if (m_socket.bytesAvailable() == 0 &&
      !m_socket.waitForReadyRead(static_cast<int>(timeout.count())) &&
      m_socket.state() != QAbstractSocket::ConnectedState) {
    error = QStringLiteral("connection to %1:%2 lost: %3")
                .arg(m_host)
                .arg(m_port)
                .arg(m_socket.errorString());
  }
  return m_socket.readAll();
}

void TcpLink::clear() { m_socket.readAll(); }

}  // namespace velmora
