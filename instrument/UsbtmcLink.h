#pragma once

#include "instrument/InstrumentLink.h"

namespace velmora {

// The Linux USBTMC character device: each write is one message to the instrument, each read
// fetches its answer within the driver's timeout. The driver's clear and timeout requests are
// used only on a real USBTMC device; anything else that can be opened for reading and writing
// (a pseudo-terminal, put into raw mode) stands in for it with plain reads and writes.
class UsbtmcLink : public InstrumentLink {
 public:
  explicit UsbtmcLink(QString device);
  ~UsbtmcLink() override;
  UsbtmcLink(const UsbtmcLink&) = delete;
  UsbtmcLink& operator=(const UsbtmcLink&) = delete;

  bool Open(QString& error) override;
  void Close() override;
  bool Write(const QByteArray& bytes, QString& error) override;
  QByteArray Read(std::chrono::milliseconds timeout, QString& error) override;
  void Clear() override;

  bool isUsbtmc() const { return m_usbtmc; }

 private:
  QString Failure(const char* what) const;

  QString m_device;
  int m_fd = -1;
  bool m_usbtmc = false;
};

}  // namespace velmora
