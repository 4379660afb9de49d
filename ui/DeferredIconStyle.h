#pragma once

#include <QProxyStyle>

namespace velmora {

// The application's own style, except that the menu bar's overflow buttons get their pictures
// only when first drawn: loading them with the menu bar would load every image plugin before the
// window shows, and the buttons show only when the menus do not fit.
class DeferredIconStyle : public QProxyStyle {
  Q_OBJECT

 public:
  // The style named key (the application's) with the overflow pictures deferred.
  explicit DeferredIconStyle(const QString& key);

  QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption* option = nullptr,
                     const QWidget* widget = nullptr) const override;
};

}  // namespace velmora
