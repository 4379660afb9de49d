#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

namespace velmora {

class CalibrationImage;

// Timer 0 of a page that tunes live: armed (or re-armed) when a command has been composed, it
// waits 400 ms, then keeps looking every 400 ms until no transfer runs, and then asks the
// request window to start the live-tuning transfer.
class LiveRequestTimer : public QObject {
 public:
  explicit LiveRequestTimer(QObject* parent);

  void SetContext(QObject* requestWindow, CalibrationImage* image);
  // Starts the timer, or begins its period again when it is already running.
  void Arm();
  bool IsArmed() const { return m_timer.isActive(); }

 private:
  void OnTimer(int id);

  QPointer<QObject> m_requestWindow;
  CalibrationImage* m_image = nullptr;
  QTimer m_timer;
};

}  // namespace velmora
