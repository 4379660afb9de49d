#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>

namespace velmora {

// The answer to a job's question, shared by the owner that shows it and the worker that waits.
// The worker goes on once the owner calls Release, or once the owner's last copy is gone: an
// owner that drops a question unanswered never strands its worker.
class JobReply {
 public:
  // The worker's side: opened once, by the first Release or the last copy's end.
  class Latch {
   public:
    void Open();
    void Wait();

   private:
    std::mutex m_mutex;
    std::condition_variable m_opened;
    bool m_open = false;
  };

  JobReply() = default;  // answers nothing
  explicit JobReply(std::shared_ptr<Latch> latch);

  // Any thread; more than once is harmless.
  void Release() const;

 private:
  struct Releaser;
  std::shared_ptr<Releaser> m_releaser;
};

}  // namespace velmora
