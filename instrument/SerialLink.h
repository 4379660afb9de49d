#pragma once

#include <QSerialPort>

#include "instrument/StreamLink.h"

namespace velmora {

// SCPI over a serial line (8 data bits, no parity, one stop bit, no flow control).
class SerialLink : public StreamLink {
 public:
  SerialLink(const QString& device, qint32 baud);
  bool open(QString& error) override;
  void close() override { m_port.close(); }
  void clear() override;

 private:
  bool lost() const override;

  QString m_device;
  qint32 m_baud;
  QSerialPort m_port;
};

}  // namespace velmora
