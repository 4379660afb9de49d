#pragma once

#include <QObject>
#include <functional>

class QSlider;

namespace velmora {

// The mouse rules of the pages' sliders. The wheel moves only a slider that has the keyboard
// focus, so scrolling across a page changes nothing. Any left-button release after a press on
// the slider (a thumb drag or a click on the groove) stands in for the slider's capture-released
// notification.
class SliderInputFilter : public QObject {
 public:
  SliderInputFilter(QSlider* slider, std::function<void()> onRelease);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QSlider* m_slider;
  std::function<void()> m_onRelease;
  bool m_pressed = false;
};

}  // namespace velmora
