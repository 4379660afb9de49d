#include "transfer/JobRelay.h"

#include <QThread>
#include <algorithm>
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

void JobRelay::Ask(const QString& text, const QString& detail) {
  auto latch = std::make_shared<JobReply::Latch>();
  const bool here = QThread::currentThread() == thread();
  if (!here) {
    const std::lock_guard lock(m_askMutex);
    if (m_closed) return;
    std::erase_if(m_open, [](const auto& open) { return open.expired(); });
    m_open.push_back(latch);
  }
  PostNews([this, text, detail, reply = JobReply(latch)] { emit Asked(text, detail, reply); });
  if (!here) latch->Wait();
}

void JobRelay::Close() {
  std::vector<std::weak_ptr<JobReply::Latch>> open;
  {
    const std::lock_guard lock(m_askMutex);
    m_closed = true;
    open.swap(m_open);
  }
  m_queue.Close();  // the dropped questions answer themselves as they go
  for (const auto& question : open) {
    if (const auto latch = question.lock()) latch->Open();
  }
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
