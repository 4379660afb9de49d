// Run at QT_SCALE_FACTOR=2 on a 1280 x 1024 screen: the window fits the screen and scrolls, so
// Read, Write, Save, Open and, while a job runs, 取消 can all be brought into view.
#include <QScreen>
#include <QScrollArea>
#include <QtTest>

#include "sim/ComPortRig.h"
#include "tests/ui/MainWindowFixture.h"
#include "ui/ScrollingWindowFrame.h"

using namespace velmora;

class SmallScreenTest : public QObject {
  Q_OBJECT

 private slots:
  void everyCommandCanBeScrolledIntoView();
};

void SmallScreenTest::everyCommandCanBeScrolledIntoView() {
  const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
  QCOMPARE(available.size(), QSize(640, 512));  // 1280 x 1024 at twice the scale
  sim::ComPortRig rig;
  for (int port = 1; port <= 9; ++port) rig.AddSilentTerminal(port);
  test::MainWindow w;
  QVERIFY(w.dlg->frame()->FullSize().height() > available.height());
  QVERIFY2(available.contains(w.dlg->frameGeometry()), "the window is larger than the screen");
  QTest::mouseClick(w.Button(res::main_window::kRead), Qt::LeftButton);  // shows 取消
  QTRY_VERIFY(w.dlg->cancelButton()->isVisible());
  QScrollArea* area = w.dlg->frame()->scrollArea();
  for (QWidget* control :
       {w.dlg->Control(res::main_window::kRead), w.dlg->Control(res::main_window::kWrite),
        w.dlg->Control(res::main_window::kSave), w.dlg->Control(res::main_window::kOpen),
        static_cast<QWidget*>(w.dlg->cancelButton())}) {
    area->ensureWidgetVisible(control);
    const QRect onScreen(control->mapToGlobal(QPoint(0, 0)), control->size());
    const QRect viewport(area->viewport()->mapToGlobal(QPoint(0, 0)), area->viewport()->size());
    QVERIFY2(viewport.contains(onScreen) && available.contains(onScreen),
             qPrintable(control->objectName() + static_cast<QPushButton*>(control)->text()));
  }
  QTest::mouseClick(w.dlg->cancelButton(), Qt::LeftButton);
  w.WaitUntilIdle();
}

QTEST_MAIN(SmallScreenTest)
#include "SmallScreenTest.moc"
