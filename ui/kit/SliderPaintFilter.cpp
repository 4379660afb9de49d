#include "ui/kit/SliderPaintFilter.h"

#include <QEvent>
#include <QSlider>

namespace velmora {

SliderPaintFilter::SliderPaintFilter(QSlider* slider, std::function<void()> onPaint)
    : QObject(slider), m_slider(slider), m_onPaint(std::move(onPaint)) {
  slider->setAttribute(Qt::WA_Hover, false);
  slider->installEventFilter(this);
}

bool SliderPaintFilter::eventFilter(QObject* watched, QEvent* event) {
  if (watched != m_slider) return false;
  switch (event->type()) {
    case QEvent::Paint:
      m_onPaint();
      break;
    case QEvent::Polish:  // sent after the style has polished the slider, hover included
    case QEvent::StyleChange:
      m_slider->setAttribute(Qt::WA_Hover, false);
      break;
    default:
      break;
  }
  return false;
}

}  // namespace velmora
