#pragma once

#include <QObject>
#include <QString>
#include <string>

#include "transfer/RelayQueue.h"
#include "transfer/TransferOutcome.h"

namespace velmora {

// Hands a job's news from its worker thread to the thread this object lives on: its progress and,
// once, how it finished. The values wait in a queue under a mutex and only an argument-free
// signal crosses threads, so no object built on the worker is ever read on the other side; the
// typed signals are emitted on this object's thread, in the order the news was posted.
class JobRelay : public QObject {
  Q_OBJECT

 public:
  explicit JobRelay(QObject* parent = nullptr);

  // News posted on this object's own thread is delivered at once rather than queued: for an
  // owner that runs the job itself and turns no event loop meanwhile. Set before any job posts.
  void SetDeliverAtOnce(bool atOnce) { m_atOnce = atOnce; }

  // Any thread.
  void PostProgress(const std::string& text, int done, int total);
  void PostFinished(int operation, const TransferOutcome& outcome);

 signals:
  // What runs now, and how far it is (total 0: no measure).
  void Progress(const QString& text, int done, int total);
  // The job's outcome is settled (before the message box that tells it, if any); operation is
  // TRANSFER_READ, TRANSFER_WRITE or TRANSFER_LIVE.
  void Finished(int operation, const TransferOutcome& outcome);

  // Worker to owner: something waits in the queue.
  void Pending();

 private:
  struct Report {
    bool finished = false;
    std::string text;
    int done = 0;
    int total = 0;
    int operation = 0;
    TransferOutcome outcome;
  };

  void Post(Report report);
  void Deliver();

  RelayQueue<Report> m_queue;
  bool m_atOnce = false;
};

}  // namespace velmora
