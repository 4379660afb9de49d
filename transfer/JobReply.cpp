#include "transfer/JobReply.h"

#include <utility>

namespace velmora {

// Shared by every copy of one reply: the last copy's end answers the question.
struct JobReply::Releaser {
  explicit Releaser(std::shared_ptr<Latch> opened) : latch(std::move(opened)) {}
  ~Releaser() { latch->Open(); }
  Releaser(const Releaser&) = delete;
  Releaser& operator=(const Releaser&) = delete;
  std::shared_ptr<Latch> latch;
};

void JobReply::Latch::Open() {
  {
    const std::lock_guard lock(m_mutex);
    m_open = true;
  }
  m_opened.notify_all();
}

void JobReply::Latch::Wait() {
  std::unique_lock lock(m_mutex);
  m_opened.wait(lock, [this] { return m_open; });
}

JobReply::JobReply(std::shared_ptr<Latch> latch)
    : m_releaser(std::make_shared<Releaser>(std::move(latch))) {}

void JobReply::Release() const {
  if (m_releaser) m_releaser->latch->Open();
}

}  // namespace velmora
