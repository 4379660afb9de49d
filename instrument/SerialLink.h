#pragma once

#include <QSerialPort>

#include "instrument/InstrumentLink.h"

namespace velmora {

// SCPI over a serial line (8 data bits, no parity, one stop bit, no flow control).
class SerialLink : public InstrumentLink {
 public:
  static constexpr std::chrono::milliseconds kWriteTimeout{3000};

  SerialLink(QString device, qint32 baud);
  bool open(QString& error) override;
  void close() override;
  bool write(const QByteArray& bytes, QString& error) override;
  QByteArray read(std::chrono::milliseconds timeout, QString& error) override;
  void clear() override;

 private:
  QString m_device;
  qint32 m_baud;
  QSerialPort m_port;
};

}  // namespace velmora
