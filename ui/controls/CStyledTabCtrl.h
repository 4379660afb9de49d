#pragma once

#include <QColor>
#include <QPoint>
#include <QPointer>
#include <QTabBar>
#include <QTimer>
#include <cstdint>
#include <vector>

#include "ui/controls/TabPages.h"

namespace velmora {

using COLORREF = std::uint32_t;  // 0x00BBGGRR

// The tab control that hosts pages: each tab carries a page window (a child of this control,
// placed at the page origin), the selected tab's page is shown and the others hidden, and the
// captions are drawn here: the selected one in the selected colour, the one under the mouse in
// the hover colour. A 10 ms timer runs while the mouse is over the control to end the hover.
class CStyledTabCtrl : public QTabBar, public TabPages {
  Q_OBJECT

 public:
  static constexpr QPoint kPageOrigin{4, 28};
  // Every host colours its captions alike: selected green, hovered magenta.
  static constexpr COLORREF kSelectedCaptionColor = 0x02FF00;
  static constexpr COLORREF kHoverCaptionColor = 0xFF00FF;
  // Captions are read back into 63 bytes with the terminator, in the program's GBK strings.
  static constexpr int kMaxCaptionBytes = 62;

  explicit CStyledTabCtrl(QWidget* parent = nullptr);
  // For the template builder: the tab control a template's tab-control entry becomes.
  static QWidget* MakeForTemplate(QWidget* parent) { return new CStyledTabCtrl(parent); }

  // Adds a page created as a child of this control; image is an image-list index (none is
  // ever attached, so it shows nothing).
  void AddPage(QWidget* page, const QString& caption, int image);
  void SetSelectedTextColor(COLORREF color);
  void SetHoverTextColor(COLORREF color);
  // Selects a tab as a click would, showing its page; an index outside the tabs is ignored.
  void SelectPage(int index);

  static QColor FromColorRef(COLORREF color);
  // The caption cut to its first 62 GBK bytes, never inside a character.
  static QString CutCaption(const QString& caption);

  // The colour the painter gives the caption of a tab in the present state.
  QColor CaptionColor(int index) const;
  QString DrawnCaption(int index) const;
  QWidget* Page(int index) const override;
  int PageCount() const override { return m_pageCount; }
  int HoverIndex() const { return m_hoverIndex; }
  bool IsTracking() const { return m_tracking; }
  bool IsHoverTimerActive() const { return m_hoverTimer.isActive(); }

 protected:
  QSize tabSizeHint(int index) const override;
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  void OnSelChanging();
  void OnSelChange();
  void OnTimer();
  void DrawItem(QPainter& painter, int index, const QRect& itemRect);
  QRect ItemRect(int index) const;
  bool IsOverPage(const QPoint& point) const;
  template <class Handler>
  void AsUserSelection(Handler&& handler);

  int m_pageCount = 0;
  int m_previousSelection = 0;
  QPoint m_pageOrigin = kPageOrigin;
  COLORREF m_selectedTextColor = 0;
  COLORREF m_hoverTextColor = 0;
  int m_hoverIndex = -1;
  bool m_tracking = false;
  bool m_hoverEnabled = false;
  bool m_selectedColorSet = false;

  bool m_userSelecting = false;
  std::vector<QPointer<QWidget>> m_pages;
  QTimer m_hoverTimer;
};

}  // namespace velmora
