#include "transfer/JobRelay.h"

#include <QThread>
#include <utility>

namespace velmora {

JobRelay::JobRelay(QObject* parent) : QObject(parent) {
  connect(this, &JobRelay::Pending, this, &JobRelay::Deliver, Qt::QueuedConnection);
}

void JobRelay::PostProgress(const QString& text, int done, int total) {
  PostNews([this, text, done, total] { emit Progress(text, done, total); });
}

void JobRelay::PostFinished(int operation, const TransferOutcome& outcome) {
  PostNews([this, operation, outcome] { emit Finished(operation, outcome); });
}

void JobRelay::PostNews(std::function<void()> deliver) {
  const bool wake = m_queue.Push(std::move(deliver));
  if (QThread::currentThread() == thread()) {
    Deliver();  // what waits goes out now, in order
  } else if (wake) {
    emit Pending();
  }
}

void JobRelay::Deliver() {
  for (const auto& deliver : m_queue.TakeAll()) deliver();
}

}  // namespace velmora
