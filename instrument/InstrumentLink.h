#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>

namespace velmora {

// The bytes to and from one bench instrument, however it is connected. Blocking; used by one
// thread at a time (ScpiChannel keeps one query in flight).
class InstrumentLink {
 public:
  virtual ~InstrumentLink() = default;

  virtual bool Open(QString& error) = 0;
  virtual void Close() = 0;
  virtual bool Write(const QByteArray& bytes, QString& error) = 0;
  // Whatever arrives within the timeout, possibly nothing; error set when the link itself failed.
  virtual QByteArray Read(std::chrono::milliseconds timeout, QString& error) = 0;
  // Forgets what is on its way in, after an answer came too late to belong to its query.
  virtual void Clear() = 0;
};

}  // namespace velmora
