#pragma once

#include <QObject>
#include <QSize>

class QMenuBar;
class QScrollArea;
class QWidget;

namespace velmora {

// Puts a window's fixed-size face under its menu bar in a scroll area: the window opens at the
// face's full size, or at the screen's available area when that is smaller, and the face then
// scrolls, so every control stays reachable on a small or scaled screen. The window never grows
// beyond the full size.
class ScrollingWindowFrame : public QObject {
  Q_OBJECT

 public:
  ScrollingWindowFrame(QWidget* window, QWidget* face, QMenuBar* menuBar);

  QScrollArea* scrollArea() const { return m_area; }
  // The window's size that shows the whole face.
  QSize FullSize() const;
  // Shrinks the window to the available area of its screen and moves it inside.
  void FitToScreen();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* m_window;
  QWidget* m_face;
  QMenuBar* m_menuBar;
  QScrollArea* m_area;
};

}  // namespace velmora
