#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>

#include "instrument/InstrumentLink.h"

namespace velmora {

// Line-terminated SCPI over a link: commands go out with "\n", answers end at "\n" (a "\r" before
// it is dropped). One query in flight at a time, each with its own timeout; every byte goes to
// the support trace under the instrument's name. An answer that comes after its query timed out
// is thrown away rather than taken for the next one's, and one that grows past kMostAnswerBytes
// without ending fails at once instead of filling memory until its timeout.
class ScpiChannel {
 public:
  static constexpr std::chrono::milliseconds kQueryTimeout{3000};
  static constexpr qsizetype kMostAnswerBytes = 64 * 1024;  // far above any reading or identity

  ScpiChannel(std::unique_ptr<InstrumentLink> link, QString name);
  ~ScpiChannel();

  bool Open();
  void Close();
  bool Send(const QByteArray& command);
  std::optional<QByteArray> Query(const QByteArray& command,
                                  std::chrono::milliseconds timeout = kQueryTimeout);

  // The instrument's name as errors show it: escaped, whatever the URL held.
  const QString& name() const { return m_name; }
  const QString& error() const { return m_error; }

 private:
  bool SendLocked(const QByteArray& command);
  std::optional<QByteArray> TakeLine();
  std::optional<QByteArray> Fail(QString error);

  std::unique_ptr<InstrumentLink> m_link;
  QString m_name;
  QString m_error;
  QByteArray m_received;  // bytes after the last complete answer
  std::mutex m_mutex;     // one query in flight
};

}  // namespace velmora
