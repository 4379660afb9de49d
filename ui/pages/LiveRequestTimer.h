#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <optional>

#include "core/LiveCommandComposer.h"

namespace velmora {

class CalibrationImage;

// The live-request timer of a page that tunes live: armed (or re-armed) with the command the page
// composed, it waits 400 ms, then keeps looking every 400 ms until no transfer runs, and then asks
// the request window to start the live-tuning transfer for that command.
class LiveRequestTimer : public QObject {
 public:
  explicit LiveRequestTimer(QObject* parent);

  void SetContext(QObject* requestWindow, CalibrationImage* image);
  // Keeps the command and starts the timer, or begins its period again when it is running.
  void Arm(const LiveCommandComposer::Command& command);
  // Forgets a command that has not been requested yet.
  void Cancel();
  bool IsArmed() const { return m_timer.isActive(); }
  // The command composed last; it stays with the page until its request is posted.
  const std::optional<LiveCommandComposer::Command>& command() const { return m_command; }

 private:
  void OnTimer();

  QPointer<QObject> m_requestWindow;
  CalibrationImage* m_image = nullptr;
  QTimer m_timer;
  std::optional<LiveCommandComposer::Command> m_command;
};

}  // namespace velmora
