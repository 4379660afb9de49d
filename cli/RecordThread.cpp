#include "cli/RecordThread.h"

namespace velmora {

RecordThread::RecordThread() : m_thread([this] { Loop(); }) {}

RecordThread::~RecordThread() {
  {
    const std::lock_guard lock(m_mutex);
    m_ending = true;
  }
  m_posted.notify_one();
  m_thread.join();
}

void RecordThread::Enqueue(std::function<void()> task) {
  {
    const std::lock_guard lock(m_mutex);
    m_tasks.push_back(std::move(task));
  }
  m_posted.notify_one();
}

void RecordThread::Loop() {
  for (;;) {
    std::function<void()> task;
    {
      std::unique_lock lock(m_mutex);
      m_posted.wait(lock, [this] { return m_ending || !m_tasks.empty(); });
      if (m_tasks.empty()) return;  // ending, and nothing left to run
      task = std::move(m_tasks.front());
      m_tasks.pop_front();
    }
    task();
  }
}

}  // namespace velmora
