#include "ui/pages/LiveRequestTimer.h"

#include "core/CalibrationImage.h"
#include "ui/UiTiming.h"
#include "ui/pages/LiveRequestEvent.h"

namespace velmora {

LiveRequestTimer::LiveRequestTimer(QObject* parent) : QObject(parent) {
  // A coarse timer may fire up to 5 % early or late; the debounce is 400 ms exactly.
  m_timer.setTimerType(Qt::PreciseTimer);
  m_timer.setInterval(ui_timing::kLiveRequestPeriod);
  connect(&m_timer, &QTimer::timeout, this, [this] { OnTimer(ui_timing::kLiveRequestTimerId); });
}

void LiveRequestTimer::SetContext(QObject* requestWindow, CalibrationImage* image) {
  m_requestWindow = requestWindow;
  m_image = image;
}

void LiveRequestTimer::Arm(const LiveCommandComposer::Command& command) {
  m_command = command;
  m_timer.start();
}

void LiveRequestTimer::Cancel() { m_timer.stop(); }

void LiveRequestTimer::OnTimer(int id) {
  if (id != ui_timing::kLiveRequestTimerId || m_image == nullptr) return;
  if (m_image->busy()) return;  // stays armed until the running transfer has ended
  m_timer.stop();
  if (m_requestWindow && m_command) LiveRequestEvent::Post(m_requestWindow, parent(), *m_command);
}

}  // namespace velmora
