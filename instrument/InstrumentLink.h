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

  virtual bool open(QString& error) = 0;
  virtual void close() = 0;
  virtual bool write(const QByteArray& bytes, QString& error) = 0;
  // Whatever arrives within the timeout, possibly nothing; error set when the link itself failed.
  virtual QByteArray read(std::chrono::milliseconds timeout, QString& error) = 0;
  // Forgets what is on its way in, after an answer came too late to belong to its query.
  virtual void clear() = 0;
};

}  // namespace velmora
