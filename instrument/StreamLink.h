#pragma once

#include <QIODevice>

#include "instrument/InstrumentLink.h"

namespace velmora {

// The reading and writing of a link whose bytes flow through a Qt device (a socket, a serial
// port); the subclass opens and closes it and tells a lost connection from a quiet one.
class StreamLink : public InstrumentLink {
 public:
  static constexpr std::chrono::milliseconds kWriteTimeout{3000};
  static constexpr qint64 kReadChunk = 16 * 1024;  // the channel caps an answer; so do its reads

  bool Write(const QByteArray& bytes, QString& error) override;
  QByteArray Read(std::chrono::milliseconds timeout, QString& error) override;
  void Clear() override;

 protected:
  StreamLink(QIODevice& device, QString name) : m_device(device), m_name(std::move(name)) {}
  // True when the device has failed for good rather than just having nothing to read.
  virtual bool Lost() const = 0;
  QString Failure(const QString& what) const;

 private:
  QIODevice& m_device;
  QString m_name;
};

}  // namespace velmora
