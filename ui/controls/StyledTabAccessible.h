#pragma once

#include <QAccessibleWidget>
#include <vector>

#include "ui/controls/TabPages.h"

class QTabBar;

namespace velmora {

// What assistive tools see of a tab bar that hosts pages (CStyledTabCtrl): its tabs (with their
// selection) followed by the pages. A plain tab bar lists only its tabs, which would hide every
// page control.
class StyledTabAccessible : public QAccessibleWidget {
 public:
  StyledTabAccessible(QTabBar* tabCtrl, const TabPages& pages);
  ~StyledTabAccessible() override;

  // Installed once as a QAccessible factory.
  static QAccessibleInterface* Create(const QString& className, QObject* object);

  int childCount() const override;
  QAccessibleInterface* child(int index) const override;
  int indexOfChild(const QAccessibleInterface* child) const override;

 private:
  QTabBar* tabCtrl() const;
  QAccessibleInterface* Tab(int index) const;

  const TabPages& m_pages;
  mutable std::vector<QAccessible::Id> m_tabs;
};

}  // namespace velmora
