#include "ui/controls/StyledTabAccessible.h"

#include <QPointer>
#include <QTabBar>

namespace velmora {
namespace {

// One tab of the control: named by its caption, selected while it is the current one.
class TabItem : public QAccessibleInterface {
 public:
  TabItem(QTabBar* tabCtrl, int index) : m_tabCtrl(tabCtrl), m_index(index) {}

  bool isValid() const override { return m_tabCtrl && m_index < m_tabCtrl->count(); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return parent() ? parent()->window() : nullptr; }
  QAccessibleInterface* parent() const override {
    return QAccessible::queryAccessibleInterface(m_tabCtrl);
  }
  QAccessibleInterface* child(int) const override { return nullptr; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* focusChild() const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QString text(QAccessible::Text t) const override {
    return isValid() && t == QAccessible::Name ? m_tabCtrl->tabText(m_index) : QString();
  }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override {
    if (!isValid()) return {};
    const QRect r = m_tabCtrl->tabRect(m_index);
    return QRect(m_tabCtrl->mapToGlobal(r.topLeft()), r.size());
  }
  QAccessible::Role role() const override { return QAccessible::PageTab; }
  QAccessible::State state() const override {
    QAccessible::State s;
    s.selectable = true;
    s.focusable = true;
    if (!isValid()) return s;
    s.selected = m_index == m_tabCtrl->currentIndex();
    s.focused = s.selected && m_tabCtrl->hasFocus();
    s.invisible = !m_tabCtrl->isVisible();
    return s;
  }

 private:
  QPointer<QTabBar> m_tabCtrl;
  int m_index;
};

}  // namespace

StyledTabAccessible::StyledTabAccessible(QTabBar* tabCtrl, const TabPages& pages)
    : QAccessibleWidget(tabCtrl, QAccessible::PageTabList), m_pages(pages) {}

StyledTabAccessible::~StyledTabAccessible() {
  for (const QAccessible::Id id : m_tabs) QAccessible::deleteAccessibleInterface(id);
}

QAccessibleInterface* StyledTabAccessible::Create(const QString&, QObject* object) {
  auto* tabCtrl = qobject_cast<QTabBar*>(object);
  const auto* pages = dynamic_cast<const TabPages*>(object);
  return tabCtrl && pages ? new StyledTabAccessible(tabCtrl, *pages) : nullptr;
}

QTabBar* StyledTabAccessible::tabCtrl() const { return static_cast<QTabBar*>(widget()); }

QAccessibleInterface* StyledTabAccessible::Tab(int index) const {
  while (static_cast<int>(m_tabs.size()) <= index) {
    const int next = static_cast<int>(m_tabs.size());
    m_tabs.push_back(QAccessible::registerAccessibleInterface(new TabItem(tabCtrl(), next)));
  }
  return QAccessible::accessibleInterface(m_tabs[static_cast<std::size_t>(index)]);
}

int StyledTabAccessible::childCount() const { return tabCtrl()->count() + m_pages.PageCount(); }

QAccessibleInterface* StyledTabAccessible::child(int index) const {
  const int tabs = tabCtrl()->count();
  if (index < 0 || index >= childCount()) return nullptr;
  if (index < tabs) return Tab(index);
  return QAccessible::queryAccessibleInterface(m_pages.Page(index - tabs));
}

int StyledTabAccessible::indexOfChild(const QAccessibleInterface* child) const {
  for (int i = 0; i < childCount(); ++i) {
    if (this->child(i) == child) return i;
  }
  return -1;
}

}  // namespace velmora
