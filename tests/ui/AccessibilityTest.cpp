#include <QAccessible>
#include <QLineEdit>
#include <QSet>
#include <QSlider>
#include <QtTest>

#include "tests/ui/MainWindowFixture.h"

using namespace velmora;
using test::MainWindow;

namespace {

// Every interface an assistive tool reaches from the window by walking children.
void Walk(QAccessibleInterface* node, QList<QAccessibleInterface*>& seen, int depth = 0) {
  if (!node || depth > 64) return;
  seen << node;
  for (int i = 0; i < node->childCount(); ++i) Walk(node->child(i), seen, depth + 1);
}

}  // namespace

class AccessibilityTest : public QObject {
  Q_OBJECT

 private slots:
  void everyPageControlIsReachableWithAName();
  void tabsReportTheirSelection();
};

void AccessibilityTest::everyPageControlIsReachableWithAName() {
  MainWindow w;
  QList<QAccessibleInterface*> seen;
  Walk(QAccessible::queryAccessibleInterface(w.dlg.get()), seen);
  QHash<QObject*, QString> names;
  for (QAccessibleInterface* node : seen) {
    if (node->object()) names.insert(node->object(), node->text(QAccessible::Name));
  }
  for (int id : {res::main_window::kPowerOnText1, res::main_window::kPowerOnText2}) {
    QVERIFY(names.value(w.dlg->Control(id)).startsWith("开机显示 "));
  }
  for (int band = 0; band < 2; ++band) {
    const auto sliders = w.Band(band)->findChildren<QSlider*>();
    const auto edits = w.Band(band)->findChildren<QLineEdit*>();
    QVERIFY(sliders.size() > 2 * 16);
    QList<QWidget*> controls(sliders.begin(), sliders.end());
    controls.append(QList<QWidget*>(edits.begin(), edits.end()));
    for (QWidget* control : controls) {
      QVERIFY2(names.contains(control), qPrintable(control->metaObject()->className()));
      QVERIFY2(!names.value(control).isEmpty(), qPrintable(control->metaObject()->className()));
    }
  }
}

void AccessibilityTest::tabsReportTheirSelection() {
  MainWindow w;
  QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(w.dlg->tabCtrl());
  QCOMPARE(bar->role(), QAccessible::PageTabList);
  auto selectedTabs = [&] {
    QStringList names;
    for (int i = 0; i < bar->childCount(); ++i) {
      QAccessibleInterface* node = bar->child(i);
      if (node->role() == QAccessible::PageTab && node->state().selected) {
        names << node->text(QAccessible::Name);
      }
    }
    return names;
  };
  QCOMPARE(selectedTabs(), QStringList{"A段接收"});
  QTest::mouseClick(w.dlg->tabCtrl(), Qt::LeftButton, {}, w.dlg->tabCtrl()->tabRect(1).center());
  QCOMPARE(selectedTabs(), QStringList{"B段接收"});
}

QTEST_MAIN(AccessibilityTest)
#include "AccessibilityTest.moc"
