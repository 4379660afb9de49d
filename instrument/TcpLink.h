#pragma once

#include <QTcpSocket>

#include "instrument/StreamLink.h"

namespace velmora {

// SCPI over a raw socket, as LXI instruments serve it (usually on port 5025).
class TcpLink : public StreamLink {
 public:
  static constexpr std::chrono::milliseconds kConnectTimeout{3000};

  TcpLink(const QString& host, quint16 port);
  bool Open(QString& error) override;
  void Close() override { m_socket.disconnectFromHost(); }

 private:
  bool Lost() const override { return m_socket.state() != QAbstractSocket::ConnectedState; }

  QString m_host;
  quint16 m_port;
  QTcpSocket m_socket;
};

}  // namespace velmora
