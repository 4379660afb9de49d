#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

namespace velmora {

// The one thread a command's production records are kept on, its tasks run in the order they were
// posted: a Qt SQL connection is used only on the thread that opened it, and here its opening and
// its commits run beside the radio's job and the file's save instead of after them.
class RecordThread {
 public:
  RecordThread();
  // Runs every task already posted, then ends the thread.
  ~RecordThread();
  RecordThread(const RecordThread&) = delete;
  RecordThread& operator=(const RecordThread&) = delete;

  template <typename Task>
  auto Post(Task task) -> std::future<decltype(task())> {
    using Packaged = std::packaged_task<decltype(task())()>;
    auto packaged = std::make_shared<Packaged>(std::move(task));
    auto result = packaged->get_future();
    Enqueue([packaged] { (*packaged)(); });
    return result;
  }

 private:
  void Enqueue(std::function<void()> task);
  void Loop();

  std::mutex m_mutex;
  std::condition_variable m_posted;
  std::deque<std::function<void()>> m_tasks;
  bool m_ending = false;
  std::thread m_thread;  // last: it starts once the queue is there
};

}  // namespace velmora
