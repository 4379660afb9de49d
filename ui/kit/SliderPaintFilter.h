#pragma once

#include <QObject>
#include <functional>

class QSlider;

namespace velmora {

// Calls back each time a slider is about to paint, standing in for the slider's custom-draw
// notification; the slider then paints as usual. Hovering does not repaint the slider: the style
// asks for hover repaints, which would make a mouse passing over count as a custom-draw.
class SliderPaintFilter : public QObject {
 public:
  SliderPaintFilter(QSlider* slider, std::function<void()> onPaint);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QSlider* m_slider;
  std::function<void()> m_onPaint;
};

}  // namespace velmora
