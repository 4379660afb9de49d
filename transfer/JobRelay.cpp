#include "transfer/JobRelay.h"

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
  bool wake = false;
  {
    std::lock_guard lock(m_mutex);
    wake = m_pending.empty();  // one wake-up drains everything posted before it runs
    m_pending.push_back(std::move(report));
  }
  if (wake) emit Pending();
}

void JobRelay::Deliver() {
  std::deque<Report> reports;
  {
    std::lock_guard lock(m_mutex);
    reports.swap(m_pending);
  }
  for (const Report& r : reports) {
    if (r.finished) {
      emit Finished(r.operation, r.outcome);
    } else {
      emit Progress(QString::fromStdString(r.text), r.done, r.total);
    }
  }
}

}  // namespace velmora
