#include "transfer/ProgressRelay.h"

#include <utility>

namespace velmora {

ProgressRelay::ProgressRelay(QObject* parent) : QObject(parent) {
  connect(this, &ProgressRelay::Pending, this, &ProgressRelay::Deliver, Qt::QueuedConnection);
}

void ProgressRelay::Post(const std::string& text, int done, int total) {
  bool wake = false;
  {
    std::lock_guard lock(m_mutex);
    wake = m_pending.empty();  // one wake-up drains everything posted before it runs
    m_pending.push_back({text, done, total});
  }
  if (wake) emit Pending();
}

void ProgressRelay::Deliver() {
  std::deque<Report> reports;
  {
    std::lock_guard lock(m_mutex);
    reports.swap(m_pending);
  }
  for (const Report& r : reports) emit Progress(QString::fromStdString(r.text), r.done, r.total);
}

}  // namespace velmora
