#pragma once

#include <QSerialPort>

#include "instrument/StreamLink.h"

namespace velmora {

// SCPI over a serial line (8 data bits, no parity, one stop bit, no flow control).
class SerialLink : public StreamLink {
 public:
  SerialLink(const QString& device, qint32 baud);
  bool Open(QString& error) override;
  void Close() override { m_port.close(); }
  void Clear() override;

 private:
  bool Lost() const override;

  QString m_device;
  qint32 m_baud;
  QSerialPort m_port;
};

}  // namespace velmora
