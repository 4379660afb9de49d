#pragma once

#include <QCoreApplication>
#include <QEvent>

#include "transfer/TransferOutcome.h"

namespace velmora {

inline constexpr int WM_TRANSFER_DONE = 1147;

// The completion and request message between workers, pages and windows. It is always posted,
// never sent, so the receiver handles it on its own thread in its own time.
class TransferDoneEvent : public QEvent {
 public:
  static constexpr QEvent::Type kType = static_cast<QEvent::Type>(WM_TRANSFER_DONE);

  TransferDoneEvent(int operation, int result)
      : QEvent(kType), m_operation(operation), m_result(result) {}
  int operation() const { return m_operation; }
  int result() const { return m_result; }

  static void Post(QObject* owner, int operation, int result) {
    QCoreApplication::postEvent(owner, new TransferDoneEvent(operation, result));
  }

 private:
  int m_operation;
  int m_result;
};

}  // namespace velmora
