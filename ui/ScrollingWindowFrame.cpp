#include "ui/ScrollingWindowFrame.h"

#include <QEvent>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

namespace velmora {

ScrollingWindowFrame::ScrollingWindowFrame(QWidget* window, QWidget* face, QMenuBar* menuBar)
    : QObject(window),
      m_window(window),
      m_face(face),
      m_menuBar(menuBar),
      m_area(new QScrollArea(window)) {
  m_area->setFrameShape(QFrame::NoFrame);
  m_area->setWidgetResizable(false);
  m_area->setWidget(face);
  auto* layout = new QVBoxLayout(window);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->setMenuBar(menuBar);
  layout->addWidget(m_area);
  m_window->setMaximumSize(FullSize());
  m_window->resize(FullSize());
  m_window->installEventFilter(this);
}

QSize ScrollingWindowFrame::FullSize() const {
  const int menuHeight = m_menuBar ? m_menuBar->sizeHint().height() : 0;
  return m_face->size() + QSize(0, menuHeight);
}

void ScrollingWindowFrame::FitToScreen() {
  const QScreen* screen = m_window->screen();
  if (!screen) return;
  const QRect available = screen->availableGeometry();
  // The frame the window manager adds is known once the window is shown; before, none.
  const QSize frame = m_window->frameGeometry().size() - m_window->size();
  m_window->resize(FullSize().boundedTo(available.size() - frame));
  QRect outer = m_window->frameGeometry();
  outer.moveLeft(std::clamp(outer.left(), available.left(), available.right() - outer.width() + 1));
  outer.moveTop(std::clamp(outer.top(), available.top(), available.bottom() - outer.height() + 1));
  if (outer.topLeft() != m_window->frameGeometry().topLeft()) m_window->move(outer.topLeft());
}

bool ScrollingWindowFrame::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_window &&
      (event->type() == QEvent::Show || event->type() == QEvent::ScreenChangeInternal)) {
    FitToScreen();
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace velmora
