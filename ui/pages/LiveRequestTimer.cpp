#include "ui/pages/LiveRequestTimer.h"

#include <chrono>

#include "core/CalibrationImage.h"
#include "ui/pages/LiveRequestEvent.h"

namespace velmora {
namespace {
// The debounce of a live-tuning request, and how often a pending one looks again whether a
// transfer still runs.
constexpr std::chrono::milliseconds kLiveRequestPeriod{400};
}  // namespace

LiveRequestTimer::LiveRequestTimer(QObject* parent) : QObject(parent) {
  // A coarse timer may fire up to 5 % early or late; the debounce is 400 ms exactly.
  m_timer.setTimerType(Qt::PreciseTimer);
  m_timer.setInterval(kLiveRequestPeriod);
  connect(&m_timer, &QTimer::timeout, this, &LiveRequestTimer::OnTimer);
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

void LiveRequestTimer::OnTimer() {
  if (m_image == nullptr) return;
  if (m_image->busy()) return;  // stays armed until the running transfer has ended
  m_timer.stop();
  if (m_requestWindow && m_command) LiveRequestEvent::Post(m_requestWindow, parent(), *m_command);
}

}  // namespace velmora
