#include "ui/controls/CStyledTabCtrl.h"

#include <QAccessible>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QStringEncoder>
#include <QStyleOptionTab>
#include <QStyleOptionTabWidgetFrame>
#include <algorithm>
#include <chrono>

#include "ui/controls/StyledTabAccessible.h"

namespace velmora {
namespace {

// While the mouse is over a tab, how often the control looks whether it has left.
constexpr std::chrono::milliseconds kHoverPeriod{10};
constexpr int kEdgeHeight = 2;  // the system's edge height, above the caption's fill

// Bytes a character takes in GBK: one for ASCII, two for the rest.
qsizetype GbkLength(QStringView character) {
  static QStringEncoder encoder("GBK");
  if (encoder.isValid()) {
    const QByteArray bytes = encoder.encode(character);
    if (!encoder.hasError() && !bytes.isEmpty()) return bytes.size();
    encoder.resetState();
  }
  return character.size() == 1 && character[0].unicode() < 0x80 ? 1 : 2;
}

}  // namespace

CStyledTabCtrl::CStyledTabCtrl(QWidget* parent) : QTabBar(parent) {
  static const bool accessibleInstalled = [] {
    QAccessible::installFactory(&StyledTabAccessible::Create);
    return true;
  }();
  Q_UNUSED(accessibleInstalled);
  setMouseTracking(true);
  // Hover is this control's own business; the bar's built-in hover repaints would mark tabs
  // hovered by another path.
  setAttribute(Qt::WA_Hover, false);
  setElideMode(Qt::ElideNone);
  setDrawBase(false);
  m_hoverTimer.setInterval(kHoverPeriod);
  connect(&m_hoverTimer, &QTimer::timeout, this, &CStyledTabCtrl::OnTimer);
  connect(this, &QTabBar::currentChanged, this, [this] {
    if (m_userSelecting) OnSelChange();
  });
}

void CStyledTabCtrl::AddPage(QWidget* page, const QString& caption, int /*image*/) {
  const int index = insertTab(m_pageCount, caption);
  m_pages.insert(m_pages.begin() + index, page);
  page->move(m_pageOrigin);
  page->setVisible(m_pageCount == 0);
  ++m_pageCount;
}

void CStyledTabCtrl::SetSelectedTextColor(COLORREF color) {
  m_selectedTextColor = color;
  m_selectedColorSet = true;
}

void CStyledTabCtrl::SetHoverTextColor(COLORREF color) {
  m_hoverTextColor = color;
  m_hoverEnabled = true;
}

QColor CStyledTabCtrl::FromColorRef(COLORREF color) {
  return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                static_cast<int>((color >> 16) & 0xFF));
}

QString CStyledTabCtrl::CutCaption(const QString& caption) {
  qsizetype bytes = 0;
  qsizetype i = 0;
  while (i < caption.size()) {
    const qsizetype units = caption[i].isHighSurrogate() && i + 1 < caption.size() ? 2 : 1;
    const qsizetype length = GbkLength(QStringView(caption).mid(i, units));
    if (bytes + length > kMaxCaptionBytes) break;
    bytes += length;
    i += units;
  }
  return caption.left(i);
}

QWidget* CStyledTabCtrl::Page(int index) const {
  if (index < 0 || index >= static_cast<int>(m_pages.size())) return nullptr;
  return m_pages[static_cast<std::size_t>(index)];
}

QString CStyledTabCtrl::DrawnCaption(int index) const { return CutCaption(tabText(index)); }

QColor CStyledTabCtrl::CaptionColor(int index) const {
  const QColor buttonText = palette().color(QPalette::ButtonText);
  if (index == currentIndex()) {
    return m_selectedColorSet ? FromColorRef(m_selectedTextColor) : buttonText;
  }
  if (m_hoverEnabled && index == m_hoverIndex) return FromColorRef(m_hoverTextColor);
  return buttonText;
}

// ---- selection ------------------------------------------------------------------------------

template <class Handler>
void CStyledTabCtrl::AsUserSelection(Handler&& handler) {
  OnSelChanging();
  m_userSelecting = true;
  handler();
  m_userSelecting = false;
}

void CStyledTabCtrl::SelectPage(int index) {
  if (index < 0 || index >= count() || index == currentIndex()) return;
  AsUserSelection([&] { setCurrentIndex(index); });
}

void CStyledTabCtrl::OnSelChanging() { m_previousSelection = currentIndex(); }

void CStyledTabCtrl::OnSelChange() {
  const int selection = currentIndex();
  if (QWidget* old = Page(m_previousSelection)) old->hide();
  if (QWidget* page = Page(selection)) page->show();
}

void CStyledTabCtrl::mousePressEvent(QMouseEvent* event) {
  AsUserSelection([&] { QTabBar::mousePressEvent(event); });
}

void CStyledTabCtrl::keyPressEvent(QKeyEvent* event) {
  // Keys a page leaves unhandled pass through here on their way up; only the control's own
  // keys (it has the focus) move the selection.
  if (!hasFocus()) {
    event->ignore();
    return;
  }
  AsUserSelection([&] { QTabBar::keyPressEvent(event); });
}

void CStyledTabCtrl::wheelEvent(QWheelEvent* event) {
  event->ignore();  // the wheel never changes the selected tab
}

bool CStyledTabCtrl::IsOverPage(const QPoint& point) const {
  for (const QPointer<QWidget>& page : m_pages) {
    if (page && page->isVisible() && page->geometry().contains(point)) return true;
  }
  return false;
}

// ---- hover ----------------------------------------------------------------------------------

void CStyledTabCtrl::mouseMoveEvent(QMouseEvent* event) {
  // Moves over a page reach this control only because the page passed them on.
  if (!m_hoverEnabled || IsOverPage(event->position().toPoint())) {
    QTabBar::mouseMoveEvent(event);
    return;
  }
  m_hoverTimer.start();
  const QPoint point = event->position().toPoint();
  if (m_hoverIndex != -1 && !tabRect(m_hoverIndex).contains(point)) {
    const int old = m_hoverIndex;
    m_hoverIndex = -1;
    update(tabRect(old));
    return;  // this move stops here
  }
  if (!m_tracking) {
    m_tracking = true;
    // The repaint is what makes the tab the hovered one.
    const int index = tabAt(point);
    if (index != -1) update(tabRect(index));
  }
  QTabBar::mouseMoveEvent(event);
}

void CStyledTabCtrl::OnTimer() {
  const QPoint cursor = QCursor::pos();
  const int old = m_hoverIndex;
  const bool inside =
      old != -1 && QRect(mapToGlobal(tabRect(old).topLeft()), tabRect(old).size()).contains(cursor);
  if (inside) return;
  m_hoverTimer.stop();
  m_tracking = false;
  m_hoverIndex = -1;
  if (old != -1) update(tabRect(old));
}

// ---- drawing --------------------------------------------------------------------------------

QSize CStyledTabCtrl::tabSizeHint(int index) const {
  // The tab strip ends above the page origin, so pages never cover the captions.
  const QSize hint = QTabBar::tabSizeHint(index);
  return QSize(hint.width(), std::min(hint.height(), m_pageOrigin.y() - kEdgeHeight));
}

QRect CStyledTabCtrl::ItemRect(int index) const { return tabRect(index).adjusted(2, 2, -2, -1); }

void CStyledTabCtrl::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  if (count() == 0) return;
  QStyleOptionTabWidgetFrame frame;
  frame.initFrom(this);
  const int stripHeight = tabRect(0).bottom() + 1;
  frame.rect = QRect(0, stripHeight, width(), height() - stripHeight);
  style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &painter, this);
  // The style draws a selected tab taller than its rectangle; the part below the strip would
  // lie on the page.
  painter.setClipRect(QRect(0, 0, width(), stripHeight + kEdgeHeight));
  for (int i = 0; i < count(); ++i) {
    if (!event->rect().intersects(tabRect(i))) continue;
    QStyleOptionTab option;
    initStyleOption(&option, i);
    option.text.clear();  // the caption is drawn by DrawItem
    style()->drawControl(QStyle::CE_TabBarTabShape, &option, &painter, this);
    DrawItem(painter, i, ItemRect(i));
  }
}

void CStyledTabCtrl::DrawItem(QPainter& painter, int index, const QRect& itemRect) {
  if (index < 0 || index >= count()) return;
  QRect work = itemRect.adjusted(0, kEdgeHeight, 0, 0);
  const QString caption = DrawnCaption(index);
  painter.save();
  if (tabRect(index).contains(mapFromGlobal(QCursor::pos()))) m_hoverIndex = index;
  painter.fillRect(work, palette().color(QPalette::Button));
  painter.setPen(CaptionColor(index));
  work.setTop(work.top() - kEdgeHeight);
  // Centred by the caption's own ink, not the font's line: the CJK faces' tall lines would push
  // the descenders of a Latin caption ("p", "g") below the strip, under the page.
  const QFontMetrics metrics = painter.fontMetrics();
  const QRect ink = metrics.tightBoundingRect(caption);
  const QPoint baseline(work.center().x() - metrics.horizontalAdvance(caption) / 2,
                        work.center().y() - ink.center().y());
  painter.drawText(baseline, caption);
  painter.restore();
}

}  // namespace velmora
