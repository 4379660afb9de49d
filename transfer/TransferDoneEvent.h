#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <atomic>

#include "transfer/TransferOutcome.h"

namespace velmora {

inline constexpr int WM_TRANSFER_DONE = 1147;

// The completion and request message between workers, pages and windows. It is always posted,
// never sent, so the receiver handles it on its own thread in its own time. Its values are stored
// with release and loaded with acquire: what the worker wrote before posting (the image, the
// outcome) is ordered before what the receiver reads after, whatever the event queue does.
class TransferDoneEvent : public QEvent {
 public:
  static constexpr QEvent::Type kType = static_cast<QEvent::Type>(WM_TRANSFER_DONE);

  TransferDoneEvent(int operation, int result) : QEvent(kType) {
    m_operation.store(operation, std::memory_order_release);
    m_result.store(result, std::memory_order_release);
  }
  int operation() const { return m_operation.load(std::memory_order_acquire); }
  int result() const { return m_result.load(std::memory_order_acquire); }

  static void Post(QObject* owner, int operation, int result) {
    QCoreApplication::postEvent(owner, new TransferDoneEvent(operation, result));
  }

 private:
  std::atomic<int> m_operation{0};
  std::atomic<int> m_result{0};
};

}  // namespace velmora
