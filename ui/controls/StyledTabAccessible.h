#pragma once

#include <QAccessibleWidget>
#include <vector>

namespace velmora {

class CStyledTabCtrl;

// What assistive tools see of a CStyledTabCtrl: its tabs (with their selection) followed by the
// pages it hosts. A plain tab bar lists only its tabs, which would hide every page control.
class StyledTabAccessible : public QAccessibleWidget {
 public:
  explicit StyledTabAccessible(CStyledTabCtrl* tabCtrl);
  ~StyledTabAccessible() override;

  // Installed once as a QAccessible factory.
  static QAccessibleInterface* Create(const QString& className, QObject* object);

  int childCount() const override;
  QAccessibleInterface* child(int index) const override;
  int indexOfChild(const QAccessibleInterface* child) const override;

 private:
  CStyledTabCtrl* tabCtrl() const;
  QAccessibleInterface* tab(int index) const;

  mutable std::vector<QAccessible::Id> m_tabs;
};

}  // namespace velmora
