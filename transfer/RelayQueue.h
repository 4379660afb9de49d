#pragma once

#include <deque>
#include <mutex>
#include <utility>

namespace velmora {

// The reports a relay hands from the threads that post them to the thread that delivers them:
// values under a mutex, taken all at once, in the order they were posted.
template <class Report>
class RelayQueue {
 public:
  // True when the queue was empty: one wake-up drains everything posted before it runs. A closed
  // queue drops the report.
  bool Push(Report report) {
    std::lock_guard lock(m_mutex);
    if (m_closed) return false;
    const bool wake = m_pending.empty();
    m_pending.push_back(std::move(report));
    return wake;
  }
  std::deque<Report> TakeAll() {
    std::deque<Report> reports;
    std::lock_guard lock(m_mutex);
    reports.swap(m_pending);
    return reports;
  }
  // What still waits, taken for the last time: from now on every report is dropped.
  std::deque<Report> Close() {
    std::lock_guard lock(m_mutex);
    m_closed = true;
    return std::exchange(m_pending, {});
  }

 private:
  std::mutex m_mutex;
  std::deque<Report> m_pending;
  bool m_closed = false;
};

}  // namespace velmora
