#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "transfer/JobReply.h"
#include "transfer/RelayQueue.h"
#include "transfer/TransferOutcome.h"

namespace velmora {

// Hands a job's news from the thread that runs it to the thread this object lives on: its
// progress and, once, how it finished. One delivery rule for every job: news posted on this
// object's own thread is delivered at once (an owner that runs the job itself turns no event loop
// meanwhile and leaves nothing queued behind); news from another thread waits in a queue under a
// mutex, only an argument-free signal crosses threads, and the typed signals are emitted on this
// object's thread, in the order the news was posted. The values are copied into the news when it
// is posted: no reference to the worker's objects crosses. A question to the user is news too:
// its worker waits for the reply.
class JobRelay : public QObject {
  Q_OBJECT

 public:
  explicit JobRelay(QObject* parent = nullptr);

  // Any thread.
  void PostProgress(const QString& text, int done, int total);
  void PostFinished(int operation, const TransferOutcome& outcome);
  // Asks the owner to show text and detail (Asked) and, from a worker, waits until the owner
  // releases the reply or closes the relay. On the relay's own thread it is delivered at once and
  // nobody waits: the owner that would answer is the caller.
  void Ask(const QString& text, const QString& detail);
  // The owner is going away: what waits is dropped, nothing is delivered from now on, and every
  // open question is answered, so no worker waits for a window that is gone.
  void Close();

 signals:
  // What runs now, and how far it is: done of total (total 0: no measure).
  void Progress(const QString& text, int done, int total);
  // The job's outcome is settled (before the message box that tells it, if any); operation is
  // TRANSFER_READ, TRANSFER_WRITE or TRANSFER_LIVE.
  void Finished(int operation, const TransferOutcome& outcome);
  // A question of the job's (its outcome in a box): the worker waits until reply is released
  // (or its last copy is gone).
  void Asked(const QString& text, const QString& detail, const velmora::JobReply& reply);

  // Worker to owner: something waits in the queue.
  void Pending();

 protected:
  // One piece of news of a job's own kind: deliver emits it, on this object's thread, by the
  // rule above. It holds copies of the values it emits.
  void PostNews(std::function<void()> deliver);

 private:
  void Deliver();

  RelayQueue<std::function<void()>> m_queue;
  std::mutex m_askMutex;  // guards what follows: the workers' questions still open
  std::vector<std::weak_ptr<JobReply::Latch>> m_open;
  bool m_closed = false;
};

}  // namespace velmora
