#include "transfer/JobRelay.h"

#include <QThread>
#include <utility>

namespace velmora {

JobRelay::JobRelay(QObject* parent) : QObject(parent) {
  connect(this, &JobRelay::Pending, this, &JobRelay::Deliver, Qt::QueuedConnection);
}

void JobRelay::PostProgress(const std::string& text, int done, int total) {
  Report report;
  report.text = text;
  report.done = done;
  report.total = total;
  Post(std::move(report));
}

void JobRelay::PostFinished(int operation, const TransferOutcome& outcome) {
  Report report;
  report.finished = true;
  report.operation = operation;
  report.outcome = outcome;
  Post(std::move(report));
}

void JobRelay::Post(Report report) {
  const bool wake = m_queue.Push(std::move(report));
  if (m_atOnce && QThread::currentThread() == thread()) {
    Deliver();
  } else if (wake) {
    emit Pending();
  }
}

void JobRelay::Deliver() {
  for (const Report& r : m_queue.TakeAll()) {
    if (r.finished) {
      emit Finished(r.operation, r.outcome);
    } else {
      emit Progress(QString::fromStdString(r.text), r.done, r.total);
    }
  }
}

}  // namespace velmora
