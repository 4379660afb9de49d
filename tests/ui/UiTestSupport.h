#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>
#include <array>
#include <chrono>
#include <vector>

#include "core/CalibrationImage.h"
#include "transfer/LiveTuningQueue.h"

namespace velmora::test {

// A live-tuning queue for a page on its own: the gate stays held, so no job ever starts, and
// every request is recorded as it leaves its table's wait, with the command it carries.
class RequestRecorder {
 public:
  struct Entry {
    int table;
    std::array<std::uint8_t, 10> liveCommand;
    qint64 elapsedMs;  // since clock was last started
  };
  explicit RequestRecorder(CalibrationImage* image) : queue(image) {
    gate.TryEnter();
    queue.SetTransferGate(&gate);
    QObject::connect(&queue, &LiveTuningQueue::Requested, [this](int table) {
      entries.push_back({table, queue.Composed(table).value_or(LiveTuningQueue::Command{}),
                         clock.isValid() ? clock.elapsed() : -1});
    });
  }
  TransferGate gate;
  LiveTuningQueue queue;
  std::vector<Entry> entries;
  QElapsedTimer clock;
};

// An outcome as a job records it, for handing to an owner's Finished handler.
inline TransferOutcome Outcome(TransferOutcome::Result result) {
  TransferOutcome outcome;
  outcome.result = result;
  return outcome;
}

// For its life, keeps the text of every message box shown modally (a refused exchange's prompt)
// and closes the box with OK, as the user would.
class PromptRecorder {
 public:
  static constexpr std::chrono::milliseconds kLookEvery{5};  // inside the box's own event loop

  PromptRecorder() {
    QObject::connect(&m_look, &QTimer::timeout, [this] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        prompts.push_back(box->text());
        box->done(QMessageBox::Ok);
      }
    });
    m_look.start(kLookEvery);
  }
  QStringList prompts;

 private:
  QTimer m_look;
};

inline std::array<std::uint8_t, 10> LiveCommand(CalibrationImage& image) {
  std::array<std::uint8_t, 10> bytes{};
  const auto command = image.liveCommand();
  std::copy(command.begin(), command.end(), bytes.begin());
  return bytes;
}

// The command a page composed on its last release (all zero before any).
template <class Page>
std::array<std::uint8_t, 10> Pending(const Page& page) {
  return page.PendingCommand().value_or(LiveCommandComposer::Command{});
}

inline QPoint HandleCenter(QSlider* slider) {
  QStyleOptionSlider option;
  option.initFrom(slider);
  option.subControls = QStyle::SC_None;
  option.activeSubControls = QStyle::SC_None;
  option.orientation = slider->orientation();
  option.maximum = slider->maximum();
  option.minimum = slider->minimum();
  option.tickPosition = slider->tickPosition();
  option.tickInterval = slider->tickInterval();
  option.upsideDown = slider->orientation() == Qt::Horizontal
                          ? slider->invertedAppearance() != (option.direction == Qt::RightToLeft)
                          : !slider->invertedAppearance();
  option.direction = Qt::LeftToRight;
  option.sliderPosition = slider->sliderPosition();
  option.sliderValue = slider->value();
  option.singleStep = slider->singleStep();
  option.pageStep = slider->pageStep();
  return slider->style()
      ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider)
      .center();
}

// Drags the slider's thumb with the mouse to the target and lets it go there. When no pixel
// gives the target (a short slider over a long range), the thumb is let go near it, brought to
// the target with the keyboard, and then pressed and released once more with the mouse.
inline void ReleaseSliderAt(QSlider* slider, int target) {
  const QPoint start = HandleCenter(slider);
  const bool horizontal = slider->orientation() == Qt::Horizontal;
  const int length = horizontal ? slider->width() : slider->height();
  QTest::mousePress(slider, Qt::LeftButton, {}, start);
  QPoint at = start;
  bool reached = slider->value() == target;
  for (int p = 0; p < length && !reached; ++p) {
    at = horizontal ? QPoint(p, start.y()) : QPoint(start.x(), p);
    QTest::mouseMove(slider, at);
    reached = slider->value() == target;
  }
  QTest::mouseRelease(slider, Qt::LeftButton, {}, at);
  if (reached) return;
  const bool downAdds = slider->invertedControls();
  const Qt::Key increase = horizontal ? Qt::Key_Right : (downAdds ? Qt::Key_Down : Qt::Key_Up);
  const Qt::Key decrease = horizontal ? Qt::Key_Left : (downAdds ? Qt::Key_Up : Qt::Key_Down);
  slider->setFocus();
  for (int guard = 0; guard < 1000 && slider->value() != target; ++guard) {
    QTest::keyClick(slider, slider->value() < target ? increase : decrease);
  }
  const QPoint handle = HandleCenter(slider);
  QTest::mousePress(slider, Qt::LeftButton, {}, handle);
  QTest::mouseRelease(slider, Qt::LeftButton, {}, handle);
}

// Moves the mouse across the widget with no button held, through the window as the platform
// would, so the application makes its enter and hover events.
inline void Hover(QWidget* widget) {
  QWidget* window = widget->window();
  for (int x = 1; x < widget->width(); x += 3) {
    QTest::mouseMove(window->windowHandle(),
                     widget->mapTo(window, QPoint(x, widget->height() / 2)));
  }
  QApplication::processEvents();
}

// One notch of the mouse wheel over the widget's centre (negative: towards the user).
inline void Wheel(QWidget* widget, int notches) {
  const QPointF pos = QRectF(widget->rect()).center();
  QWheelEvent wheel(pos, widget->mapToGlobal(pos), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(widget, &wheel);
}

// A left click on the slider's groove at its right or bottom end, away from a thumb near 0.
inline void ClickGrooveFarEnd(QSlider* slider) {
  const bool horizontal = slider->orientation() == Qt::Horizontal;
  const QPoint at = horizontal ? QPoint(slider->width() - 3, slider->height() / 2)
                               : QPoint(slider->width() / 2, slider->height() - 3);
  QTest::mouseClick(slider, Qt::LeftButton, {}, at);
}

inline void TypeInto(QLineEdit* edit, const QString& text) {
  edit->setFocus();
  QApplication::processEvents();
  QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(edit, text);
}

}  // namespace velmora::test
