#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTableWidget>

#include "tests/cli/StationBench.h"
#include "tests/ui/MainWindowFixture.h"
#include "ui/MainWindowCommands.h"
#include "ui/StationMode.h"

using namespace velmora;
using namespace velmora::test;
using namespace velmora::test::station;

namespace {

// The menu entry as the operator picks it: by its menu and its text.
QAction* MenuEntry(QMenuBar* bar, const QString& menu, const QString& entry) {
  for (QAction* top : bar->actions()) {
    if (!top->menu() || top->text() != menu) continue;
    for (QAction* action : top->menu()->actions())
      if (action->text() == entry) return action;
  }
  return nullptr;
}

// The settings folder the windows of this test program use, as velmora-cli finds it too.
QString SettingsFolder() {
  return QFileInfo(InstrumentSettings::ProgramSettings()->fileName()).dir().absolutePath() + "/..";
}

}  // namespace

// 产线模式 end to end: the window in the operator's view runs three simulated radios, swapped on
// one pseudo-terminal, through the real velmora-cli, each started by a serial and Enter alone.
class StationModeTest : public QObject {
  Q_OBJECT

 private slots:
  // The program's name, as velmora-cli's: one settings file and one data folder for both.
  void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("Velmora")); }
  void threeScansAlignWriteAndRecordThreeRadios();
};

void StationModeTest::threeScansAlignWriteAndRecordThreeRadios() {
  QTemporaryDir dir;
  qputenv("XDG_DATA_HOME", dir.filePath("data").toUtf8());
  qputenv("XDG_CONFIG_HOME", SettingsFolder().toUtf8());
  Bench bench(dir);
  qputenv("VELMORA_COM1", dir.filePath("radio").toUtf8());
  const auto lot = LotForBench(bench);
  QVERIFY2(lot, "no three simulated radios fit the test's plan");
  const QString plan = station::WritePlan(dir.filePath("plan.json"), lot->maxLevel);
  InstrumentSettings meter;
  meter.meterUrl = bench.meterUrl();
  meter.calibrationDue = QDate::currentDate().addDays(30);
  meter.Save(*InstrumentSettings::ProgramSettings());

  PromptScript script;
  script.planPaths = {plan};
  script.yes = false;  // the second PASS of a serial today is not run
  // The window finds velmora-cli on the PATH, as where it is installed elsewhere.
  const QString cliFolder = QFileInfo(VELMORA_CLI_PATH).absolutePath();
  qputenv("PATH", (cliFolder + ":" + qEnvironmentVariable("PATH")).toUtf8());
  MainWindowServices services;
  services.prompts = script.Prompts();
  CAlignMainDlg window(nullptr, std::move(services));
  window.image().setPortNumber(1);
  window.show();
  QAction* enter = MenuEntry(window.commands()->menuBar(), "对讲机(&A)", "产线模式(&P)...");
  QVERIFY(enter);
  enter->trigger();
  QVERIFY2(window.stationMode()->view(), qPrintable(script.notices.join("\n")));
  StationView* view = window.stationMode()->view();
  QCOMPARE(view->focusWidget(), view->serialField());
  QSignalSpy finished(view, &StationView::RadioFinished);

  const std::vector<std::pair<QString, std::uint64_t>> radios = {
      {"SN-0101", lot->good1}, {"SN-0102", lot->weak}, {"SN-0103", lot->good2}};
  for (std::size_t i = 0; i < radios.size(); ++i) {
    const auto& [serial, seed] = radios[i];
    QVERIFY(bench.Swap(seed));
    const bool weak = seed == lot->weak;
    QTest::keyClicks(view->serialField(), serial);
    QTest::keyClick(view->serialField(), Qt::Key_Return);
    QVERIFY(view->verdictLabel()->text().isEmpty());  // the last result goes with the scan
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), int(i + 1), kLineWaitMs);
    QCOMPARE(view->verdictLabel()->text(), QString(weak ? "FAIL" : "PASS"));
    QVERIFY(view->verdictLabel()->styleSheet().contains(weak ? "#c62828" : "#1b8a2e"));
    if (weak)
      QVERIFY2(view->reasonLabel()->text().contains(QString("A high %1").arg(lot->weakPoint)),
               qPrintable(view->reasonLabel()->text()));
    // Every step with its state and time: a FAIL's alignment failed, and it is not written.
    const QStringList states = weak ? QStringList{"完成", "失败", "跳过", "完成"}
                                    : QStringList{"完成", "完成", "完成", "完成"};
    for (int row = 0; row < 4; ++row) {
      QCOMPARE(view->stepsTable()->item(row, 1)->text(), states[row]);
      QCOMPARE(view->stepsTable()->item(row, 2)->text().endsWith(" 秒"), states[row] != "跳过");
    }
  }
  // The result stays on screen until the next scan.
  QTest::qWait(300);
  QCOMPARE(view->verdictLabel()->text(), QString("PASS"));
  QCOMPARE(finished.size(), 3);

  // A serial that passed today asks first; answered no, nothing runs and the result stays.
  QTest::keyClicks(view->serialField(), "SN-0101");
  QTest::keyClick(view->serialField(), Qt::Key_Return);
  QCOMPARE(script.yesNoQuestions.size(), 1);
  QVERIFY(script.yesNoQuestions[0].contains("SN-0101"));
  QVERIFY(!view->IsBusy());
  QCOMPARE(view->verdictLabel()->text(), QString("PASS"));

  const auto records = LastRecordBySerial(dir);
  QCOMPARE(records.size(), std::size_t(3));
  for (const auto& [serial, seed] : radios)
    QCOMPARE(QString::fromStdString(records.at(serial.toStdString()).outcome),
             QString(seed == lot->weak ? "FAIL" : "PASS"));

  view->leaveAction()->trigger();
  QTRY_VERIFY(!window.stationMode()->view());
}

QTEST_MAIN(StationModeTest)
#include "StationModeTest.moc"
