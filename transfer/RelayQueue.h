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
  // True when the queue was empty: one wake-up drains everything posted before it runs.
  bool Push(Report report) {
    std::lock_guard lock(m_mutex);
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

 private:
  std::mutex m_mutex;
  std::deque<Report> m_pending;
};

}  // namespace velmora
