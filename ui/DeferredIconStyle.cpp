#include "ui/DeferredIconStyle.h"

#include <QIconEngine>
#include <QPainter>

namespace velmora {
namespace {

constexpr QSize kLargestOverflowPicture{32, 32};  // the style's pictures come in 16 and 32

// Asks the style for its picture the first time the icon is drawn or measured in pixels.
class DeferredIconEngine : public QIconEngine {
 public:
  DeferredIconEngine(const QStyle* style, QStyle::StandardPixmap picture)
      : m_style(style), m_picture(picture) {}

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    Loaded().paint(painter, rect, Qt::AlignCenter, mode, state);
  }
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return Loaded().pixmap(size, mode, state);
  }
  QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
    return size.boundedTo(kLargestOverflowPicture);
  }
  QIconEngine* clone() const override { return new DeferredIconEngine(*this); }

 private:
  const QIcon& Loaded() {
    if (m_icon.isNull()) m_icon = m_style->standardIcon(m_picture);
    return m_icon;
  }

  const QStyle* m_style;
  QStyle::StandardPixmap m_picture;
  QIcon m_icon;
};

}  // namespace

DeferredIconStyle::DeferredIconStyle(const QString& key) : QProxyStyle(key) {}

QIcon DeferredIconStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption* option,
                                      const QWidget* widget) const {
  if (standardIcon == SP_ToolBarHorizontalExtensionButton ||
      standardIcon == SP_ToolBarVerticalExtensionButton) {
    return QIcon(new DeferredIconEngine(baseStyle(), standardIcon));
  }
  return QProxyStyle::standardIcon(standardIcon, option, widget);
}

}  // namespace velmora
