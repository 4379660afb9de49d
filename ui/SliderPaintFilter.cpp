#include "ui/SliderPaintFilter.h"

#include <QEvent>
#include <QSlider>

namespace velmora {

SliderPaintFilter::SliderPaintFilter(QSlider* slider, std::function<void()> onPaint)
    : QObject(slider), m_slider(slider), m_onPaint(std::move(onPaint)) {
  slider->installEventFilter(this);
}

bool SliderPaintFilter::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_slider && event->type() == QEvent::Paint) m_onPaint();
  return false;
}

}  // namespace velmora
