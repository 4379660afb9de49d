#include "ui/kit/SliderInputFilter.h"

#include <QMouseEvent>
#include <QSlider>

namespace velmora {

SliderInputFilter::SliderInputFilter(QSlider* slider, std::function<void()> onRelease)
    : QObject(slider), m_slider(slider), m_onRelease(std::move(onRelease)) {
  slider->installEventFilter(this);
}

bool SliderInputFilter::eventFilter(QObject* watched, QEvent* event) {
  if (watched != m_slider) return false;
  switch (event->type()) {
    case QEvent::Wheel:
      if (m_slider->hasFocus()) return false;
      event->ignore();
      return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
      if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) m_pressed = true;
      return false;
    case QEvent::MouseButtonRelease:
      // The slider has taken its new value on the press or the moves; the release moves nothing.
      if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && m_pressed) {
        m_pressed = false;
        if (m_onRelease) m_onRelease();
      }
      return false;
    default:
      return false;
  }
}

}  // namespace velmora
