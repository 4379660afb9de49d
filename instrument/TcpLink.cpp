#include "instrument/TcpLink.h"

namespace velmora {

TcpLink::TcpLink(const QString& host, quint16 port)
    : StreamLink(m_socket, QStringLiteral("%1:%2").arg(host).arg(port)),
      m_host(host),
      m_port(port) {}

bool TcpLink::Open(QString& error) {
  m_socket.connectToHost(m_host, m_port);
  if (m_socket.waitForConnected(static_cast<int>(kConnectTimeout.count()))) return true;
  error = Failure(QStringLiteral("cannot connect to"));
  m_socket.abort();
  return false;
}

}  // namespace velmora
