#pragma once

#include <QObject>
#include <QString>
#include <deque>
#include <mutex>
#include <string>

namespace velmora {

// Hands a job's progress from its worker thread to the thread this object lives on. The values wait
// in a queue under a mutex and only an argument-free signal crosses threads, so no object built on
// the worker is ever read on the other side.
class ProgressRelay : public QObject {
  Q_OBJECT

 public:
  explicit ProgressRelay(QObject* parent = nullptr);

  // Any thread.
  void Post(const std::string& text, int done, int total);

 signals:
  // Emitted on this object's thread, in the order the reports were posted.
  void Progress(const QString& text, int done, int total);

  // Worker to owner: something waits in the queue.
  void Pending();

 private:
  struct Report {
    std::string text;
    int done;
    int total;
  };

  void Deliver();

  std::mutex m_mutex;
  std::deque<Report> m_pending;
};

}  // namespace velmora
