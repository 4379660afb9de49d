#pragma once

#include <QTcpSocket>

#include "instrument/InstrumentLink.h"

namespace velmora {

// SCPI over a raw socket, as LXI instruments serve it (usually on port 5025).
class TcpLink : public InstrumentLink {
 public:
  static constexpr std::chrono::milliseconds kConnectTimeout{3000};
  static constexpr std::chrono::milliseconds kWriteTimeout{3000};

  TcpLink(QString host, quint16 port);
  bool open(QString& error) override;
  void close() override;
  bool write(const QByteArray& bytes, QString& error) override;
  QByteArray read(std::chrono::milliseconds timeout, QString& error) override;
  void clear() override;

 private:
  QString m_host;
  quint16 m_port;
  QTcpSocket m_socket;
};

}  // namespace velmora
