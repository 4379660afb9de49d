#include "ui/pages/LiveRequestTimer.h"

#include "core/CalibrationImage.h"
#include "transfer/TransferDoneEvent.h"
#include "ui/UiTiming.h"

namespace velmora {

LiveRequestTimer::LiveRequestTimer(QObject* parent) : QObject(parent) {
  m_timer.setInterval(ui_timing::kLiveRequestPeriod);
  connect(&m_timer, &QTimer::timeout, this, [this] { OnTimer(ui_timing::kLiveRequestTimerId); });
}

void LiveRequestTimer::SetContext(QObject* requestWindow, CalibrationImage* image) {
  m_requestWindow = requestWindow;
  m_image = image;
}

void LiveRequestTimer::Arm() { m_timer.start(); }

void LiveRequestTimer::OnTimer(int id) {
  if (id != ui_timing::kLiveRequestTimerId || m_image == nullptr) return;
  if (m_image->busy()) return;  // stays armed until the running transfer has ended
  m_timer.stop();
  if (m_requestWindow) TransferDoneEvent::Post(m_requestWindow, TRANSFER_LIVE, 0);
}

}  // namespace velmora
