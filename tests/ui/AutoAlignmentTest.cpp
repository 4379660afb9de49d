#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>

#include "core/BandSettings.h"
#include "core/ImageLayout.h"
#include "instrument/InstrumentSettings.h"
#include "model/Transmitter.h"
#include "plot/ChartView.h"
#include "records/RecordStore.h"
#include "records/job/RecordKeeper.h"
#include "res/TableNames.h"
#include "sim/ComPortRig.h"
#include "sim/FactoryAlignment.h"
#include "sim/MeterServer.h"
#include "sim/TransmitterWatch.h"
#include "tests/ui/MainWindowFixture.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/AutoAlignment.h"
#include "ui/CurveWindow.h"

using namespace velmora;
using test::MainWindow;

namespace {

constexpr int kSeed = 7;
constexpr int kPort = 1;
constexpr int kBand = 0;
constexpr int kRunTimeoutMs = 120000;
constexpr std::uint16_t kBandATables = 0x0F80;  // the radio's address of band A's first table
// The radio's stored levels before the runs: high power a little low, middle power far off.
constexpr std::uint8_t kHighStored = 100, kMiddleStored = 40;

// The shipped plan for a meter with no attenuator before its sensor, settling at once, with its
// meter entry changed as asked; written as name in dir.
QString PlanFile(const QTemporaryDir& dir, const QString& name,
                 const std::function<void(QJsonObject&)>& change = {}) {
  QFile shipped(QStringLiteral(VELMORA_EXAMPLE_PLAN));
  if (!shipped.open(QIODevice::ReadOnly)) qFatal("no example plan");
  QJsonObject plan = QJsonDocument::fromJson(shipped.readAll()).object();
  QJsonObject meterEntry = plan.value("meter").toObject();
  meterEntry["offsetDb"] = 0;
  meterEntry["maxInputDbm"] = 40;
  meterEntry["settleMs"] = 5;
  if (change) change(meterEntry);
  plan["meter"] = meterEntry;
  const QString path = dir.filePath(name);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write the plan");
  file.write(QJsonDocument(plan).toJson());
  return path;
}

// The simulated radio on a pseudo-terminal, its transmitter measured by the simulated meter on a
// loopback port, as velmora-radio-sim --meter serves them.
struct Bench {
  Bench() : meter([this](auto at) { return transmitter.Watts(at); }, {0.005, kSeed, {}}) {
    sim::RadioMemory memory = sim::FactoryAlignment::Make();
    for (int k = 0; k < 16; ++k) {
      memory[kBandATables + k] = kHighStored;
      memory[kBandATables + 16 + k] = kMiddleStored;
    }
    radio.SetMemory(memory);
    std::string error;
    if (!meter.Start("127.0.0.1", 0, &error)) qFatal("meter: %s", error.c_str());
    radio.SetTransmitListener(sim::TransmitterWatch::Listener(transmitter));
  }

  void StoreMeterSettings() const {
    InstrumentSettings settings;
    settings.meterUrl = QStringLiteral("tcp://127.0.0.1:%1").arg(meter.port());
    settings.Save(*InstrumentSettings::ProgramSettings());
  }

  // Before the radio, whose server thread tells it of every transmission until it stops.
  meter::Transmitter transmitter{{kSeed, std::chrono::milliseconds(0), std::chrono::seconds(30)}};
  sim::ComPortRig rig;
  sim::PtyRadioServer& radio = rig.AddRadio(kPort);
  sim::MeterServer meter;
};

std::vector<int> TableInImage(CalibrationImage& image, int table) {
  std::vector<int> levels;
  for (int k = 0; k < 16; ++k)
    levels.push_back(image.Level(PointRef::From(kBand, table, k).value()));
  return levels;
}

std::vector<int> TableOnScreen(const MainWindow& w, int table) {
  std::vector<int> levels;
  for (int k = 0; k < 16; ++k) levels.push_back(w.Level(kBand, table)->Slider(k)->value());
  return levels;
}

void PressAlign(MainWindow& w, int table) {
  w.Band(kBand)->levelTab()->SelectPage(table);
  QTest::mouseClick(w.Band(kBand)->alignTableButton(), Qt::LeftButton);
}

// The lowest level at which the simulated radio gives the watts asked for at that frequency.
int LevelFor(const meter::Transmitter& transmitter, int mhz, double watts) {
  int level = 0;
  while (level < 255 && transmitter.curve().Watts(mhz, level) < watts) ++level;
  return level;
}

}  // namespace

class AutoAlignmentTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void alignsOneTableAndCancelsAnother();
  void endOfSessionStopsARunSilently();
  void partialResultSuggestsNoWriteAndEnterSavesTheReport();
  void refusedStartsLeaveTheWindowFree_data();
  void refusedStartsLeaveTheWindowFree();

 private:
  static void CheckRecord(const AlignReport& report);
  QTemporaryDir m_dir;
};

// The run is on the bench as a record of kind align: the plan by its hash, the meter, one row
// per point, and the radio's memory unchanged (live tunes only).
void AutoAlignmentTest::CheckRecord(const AlignReport& report) {
  std::string error;
  const auto store = RecordStore::Open(RecordKeeper::BenchPath(), error);
  QVERIFY2(store, error.c_str());
  std::vector<ProductionRecord> runs;
  for (const ProductionRecord& r : store->Select({}, error))
    if (r.kind == "align") runs.push_back(r);
  QCOMPARE(runs.size(), std::size_t(1));
  const ProductionRecord& run = runs[0];
  QVERIFY(run.succeeded && !run.planSha256.empty());
  QCOMPARE(QString::fromStdString(run.planSha256), report.planSha256);
  QCOMPARE(QString::fromStdString(run.meterUrl), report.meterUrl);
  QVERIFY(run.imageBefore == run.imageAfter && run.imageBefore.size() == 308);
  QCOMPARE(run.points.size(), report.points.size());
  for (std::size_t i = 0; i < run.points.size(); ++i) {
    QCOMPARE(run.points[i].point, report.points[i].point);
    QCOMPARE(run.points[i].newLevel, report.points[i].newLevel);
  }
}

void AutoAlignmentTest::initTestCase() {
  QVERIFY(m_dir.isValid());
  qputenv("XDG_DATA_HOME", m_dir.path().toUtf8());
}

// 自动校准 on the high power page runs through the real widgets against the simulated radio and
// meter: the window is held for the run, the table ends with the outcome's new levels in its
// sliders and the image, the title is marked and the report saved; the radio's memory is left to
// the normal write. 取消 during a second run leaves that table as it was.
void AutoAlignmentTest::alignsOneTableAndCancelsAnother() {
  Bench bench;
  bench.StoreMeterSettings();
  MainWindow w(false, false, &ChartView::Linked());
  w.RunJob(res::main_window::kRead);
  w.script.savePaths << m_dir.filePath("radio.dat");
  w.dlg->OnSave();  // the title is clean again
  QVERIFY(!w.dlg->isWindowModified());
  const sim::RadioMemory memory = bench.radio.memory();
  AutoAlignment* align = w.dlg->autoAlignment();
  const QString report = m_dir.filePath("report.json");
  w.script.planPaths << PlanFile(m_dir, "plan.json");
  w.script.reportPaths << report;
  w.script.yes = true;

  const int table = 0;
  const std::vector<int> before = TableInImage(w.dlg->image(), table);
  PressAlign(w, table);
  QVERIFY(align->IsRunning());
  QVERIFY(!w.ButtonsEnabled());
  QVERIFY(!w.Band(1)->alignBandButton()->isEnabled());
  QTRY_VERIFY_WITH_TIMEOUT(w.dlg->transferStatus()->isVisible(), 5000);
  QTRY_VERIFY_WITH_TIMEOUT(!align->IsRunning(), kRunTimeoutMs);
  w.WaitUntilIdle();

  const AlignOutcome outcome = *align->lastOutcome();
  QCOMPARE(outcome.result, AlignOutcome::Result::Aligned);
  // One result: the window holds the levels of the aligned image the command line writes.
  std::vector<int> expected = before;
  for (const PointResult& p : outcome.report.points) {
    QCOMPARE(p.table, table);
    expected[std::size_t(p.point)] =
        outcome.aligned.At(layout::LevelTableOffset(kBand, table, p.point));
    QCOMPARE(expected[std::size_t(p.point)], p.newLevel);
  }
  QVERIFY(!outcome.report.points.empty());
  QVERIFY(expected != before);  // the stored levels were off their targets
  QCOMPARE(TableInImage(w.dlg->image(), table), expected);
  QCOMPARE(TableOnScreen(w, table), expected);
  QCOMPARE(w.Level(kBand, table)->Edit(outcome.report.points.front().point)->text(),
           QString::number(outcome.report.points.front().newLevel));
  QVERIFY(w.dlg->isWindowModified());
  QCOMPARE(bench.radio.memory(), memory);  // live tunes only: writing is the user's 写入
  QVERIFY(w.dlg->curveWindow()->IsPowerShown());
  QVERIFY(w.script.reportQuestions.last().contains("个已校准"));
  QFile saved(report);
  QVERIFY(saved.open(QIODevice::ReadOnly));
  QCOMPARE(QJsonDocument::fromJson(saved.readAll()),
           QJsonDocument::fromJson(outcome.report.ToJson()));

  CheckRecord(outcome.report);

  // A second run, of the middle power table, is cancelled as its first try moves a slider.
  const int other = 1;
  const std::vector<int> otherBefore = TableInImage(w.dlg->image(), other);
  int moves = 0;
  for (int k = 0; k < 16; ++k) {
    connect(w.Level(kBand, other)->Slider(k), &QSlider::valueChanged, this, [&] {
      if (moves++ == 0) QTest::mouseClick(w.dlg->cancelButton(), Qt::LeftButton);
    });
  }
  w.script.planPaths << PlanFile(m_dir, "plan.json");
  // Its report is offered too, into a FIFO nobody reads: refused at once, never waited on.
  const QString fifo = m_dir.filePath("report.fifo");
  QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  w.script.reportPaths << fifo;
  PressAlign(w, other);
  QVERIFY(w.dlg->cancelButton()->isVisible());
  QTRY_VERIFY_WITH_TIMEOUT(!align->IsRunning(), kRunTimeoutMs);
  QVERIFY(moves > 1);  // the tried level, and the stored one again
  w.WaitUntilIdle();
  QCOMPARE(align->lastOutcome()->result, AlignOutcome::Result::Cancelled);
  QVERIFY2(w.script.notices.last().startsWith("保存 " + fifo + " 失败"),
           qPrintable(w.script.notices.last()));
  QVERIFY(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());  // still the FIFO
  QCOMPARE(TableInImage(w.dlg->image(), other), otherBefore);
  QCOMPARE(TableOnScreen(w, other), otherBefore);
  QCOMPARE(TableInImage(w.dlg->image(), table), expected);
  QVERIFY(!w.dlg->cancelButton()->isVisible());
}

// A session that ends during a run cancels it, asks and tells nothing, and the window closes
// with the run's table as it was.
void AutoAlignmentTest::endOfSessionStopsARunSilently() {
  Bench bench;
  bench.StoreMeterSettings();
  MainWindow w(false, false, &ChartView::Linked());
  w.RunJob(res::main_window::kRead);
  const int table = 1;
  const std::vector<int> before = TableInImage(w.dlg->image(), table);
  w.script.planPaths << PlanFile(m_dir, "plan.json");
  bool ended = false;
  for (int k = 0; k < 16; ++k) {
    connect(w.Level(kBand, table)->Slider(k), &QSlider::valueChanged, this, [&] {
      if (!ended) w.dlg->OnEndSession();
      ended = true;
    });
  }
  PressAlign(w, table);
  QTRY_VERIFY_WITH_TIMEOUT(ended, kRunTimeoutMs);
  QTRY_VERIFY_WITH_TIMEOUT(!w.dlg->isVisible(), kRunTimeoutMs);
  QCOMPARE(w.dlg->autoAlignment()->lastOutcome()->result, AlignOutcome::Result::Cancelled);
  QVERIFY(w.dlg->gate().IsOpen());
  QVERIFY(w.script.yesNoQuestions.isEmpty() && w.script.notices.isEmpty());
  QVERIFY(w.script.reportQuestions.isEmpty());
  QCOMPARE(w.script.saveChangesQuestions, 0);
  QCOMPARE(TableInImage(w.dlg->image(), table), before);
}

// A band run whose highest level lets middle and low power reach their targets but not high
// power: the outcome names each failed point by the number and MHz the command line and report
// use, suggests no Write, and the real question box saves the report on a bare Enter.
void AutoAlignmentTest::partialResultSuggestsNoWriteAndEnterSavesTheReport() {
  Bench bench;
  bench.StoreMeterSettings();
  MainWindow w(false, false, &ChartView::Linked());
  w.RunJob(res::main_window::kRead);
  const BandSettings band = BandSettings::FromImage(w.dlg->image(), kBand);
  const QList<int> points = {3, 4};
  // A highest level that the middle power targets stay well below and high power needs more than.
  int middleNeeds = 0, highNeeds = 255;
  for (int k : points) {
    middleNeeds = std::max(middleNeeds, LevelFor(bench.transmitter, band.PointMhz(k), 2.5));
    highNeeds = std::min(highNeeds, LevelFor(bench.transmitter, band.PointMhz(k), 5.0));
  }
  const int maxLevel = (middleNeeds + highNeeds) / 2;
  QVERIFY(middleNeeds + 2 <= maxLevel);
  for (int k : points)  // even the highest level allowed stays under high power's 4.75 W
    QVERIFY(bench.transmitter.curve().Watts(band.PointMhz(k), maxLevel) < 4.75);
  const QString plan = PlanFile(m_dir, "partial.json");
  {
    QFile file(plan);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();
    file.close();
    QJsonObject safety = json["safety"].toObject();
    safety["maxLevel"] = maxLevel;
    safety["coolDownSeconds"] = 0;
    json["safety"] = safety;
    QJsonArray listed;
    for (int k : points) listed.append(k);
    json["points"] = listed;
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QJsonDocument(json).toJson());
  }
  const QString report = m_dir.filePath("partial-report.json");
  w.script.planPaths << plan;
  w.script.reportPaths << report;
  w.script.realReportQuestion = true;
  QString shown;
  test::WhenShown([] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); },
                  [&](QWidget* box) {
                    shown = static_cast<QMessageBox*>(box)->text();
                    QTest::keyClick(box, Qt::Key_Return);
                  },
                  kRunTimeoutMs);
  QTest::mouseClick(w.Band(kBand)->alignBandButton(), Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(!w.dlg->autoAlignment()->IsRunning(), kRunTimeoutMs);
  QTRY_VERIFY_WITH_TIMEOUT(!shown.isEmpty(), 10000);
  w.WaitUntilIdle();

  const AlignOutcome outcome = *w.dlg->autoAlignment()->lastOutcome();
  QCOMPARE(outcome.result, AlignOutcome::Result::PointsFailed);
  int aligned = 0;
  for (const PointResult& p : outcome.report.points) {
    if (p.verdict == AlignVerdict::Aligned) ++aligned;
    if (p.table != 0) continue;
    QVERIFY(p.verdict != AlignVerdict::Aligned);
    QVERIFY2(shown.contains(res::PointName(p.point, p.mhz) + ": "), qPrintable(shown));
  }
  QCOMPARE(aligned, 2 * int(points.size()));  // middle and low power
  QVERIFY2(shown.contains(QStringLiteral("%1 个已校准").arg(aligned)), qPrintable(shown));
  QVERIFY2(!shown.contains("写入"), qPrintable(shown));
  QVERIFY(shown.endsWith("保存校准报告吗?"));
  QFile saved(report);
  QVERIFY(saved.open(QIODevice::ReadOnly));
  const QJsonObject json = QJsonDocument::fromJson(saved.readAll()).object();
  QCOMPARE(json["allAligned"].toBool(true), false);
  QCOMPARE(json["points"].toArray().size(), 3 * points.size());
}

void AutoAlignmentTest::refusedStartsLeaveTheWindowFree_data() {
  // "" = chooser cancelled; the shipped plan changed as named; else the file's text
  QTest::addColumn<QString>("plan");
  QTest::addColumn<QString>("meterUrl");
  QTest::addColumn<QString>("notice");  // part of the one notice expected, "" for none
  QTest::addColumn<QString>("question");
  QTest::addColumn<bool>("meterDialog");
  QTest::newRow("chooser cancelled") << ""
                                     << "tcp://127.0.0.1:1"
                                     << ""
                                     << "" << false;
  QTest::newRow("not a plan") << "{\"format\": 1}"
                              << "tcp://127.0.0.1:1"
                              << "无效"
                              << "" << false;
  QTest::newRow("plan's attenuator not the meter's, declined") << "plan's attenuator"
                                                               << "tcp://127.0.0.1:1"
                                                               << ""
                                                               << "30 dB" << false;
  QTest::newRow("meter's calibration overdue, declined") << "overdue"
                                                         << "tcp://127.0.0.1:1"
                                                         << ""
                                                         << "校准已于" << false;
  QTest::newRow("no meter anywhere, settings cancelled") << "no url"
                                                         << ""
                                                         << ""
                                                         << "" << true;
}

// Each way a start can be refused asks or tells what it should, starts no run and leaves the
// window's buttons and gate free.
void AutoAlignmentTest::refusedStartsLeaveTheWindowFree() {
  QFETCH(QString, plan);
  QFETCH(QString, meterUrl);
  QFETCH(QString, notice);
  QFETCH(QString, question);
  QFETCH(bool, meterDialog);
  InstrumentSettings meter;
  meter.meterUrl = meterUrl;
  if (plan == "overdue") meter.calibrationDue = QDate::currentDate().addDays(-1);
  meter.Save(*InstrumentSettings::ProgramSettings());
  QString path;
  if (plan == "plan's attenuator") {
    path = PlanFile(m_dir, "refused.json", [](QJsonObject& m) { m["offsetDb"] = 30; });
  } else if (plan == "overdue") {
    path = PlanFile(m_dir, "refused.json");
  } else if (plan == "no url") {
    path = PlanFile(m_dir, "refused.json", [](QJsonObject& m) { m.remove("url"); });
  } else if (!plan.isEmpty()) {
    QFile file(m_dir.filePath("refused.json"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(plan.toUtf8());
    path = file.fileName();
  }
  MainWindow w(false, false, &ChartView::Linked());
  if (!path.isEmpty()) w.script.planPaths << path;
  w.script.yes = false;
  bool dialogShown = false;
  if (meterDialog) {
    test::WhenModal<QDialog>([&](QDialog* dialog) {
      dialogShown = true;
      dialog->reject();
    });
  }
  QTest::mouseClick(w.Band(kBand)->alignBandButton(), Qt::LeftButton);
  QCOMPARE(dialogShown, meterDialog);
  QVERIFY(!w.dlg->autoAlignment()->IsRunning());
  QVERIFY(w.Idle());
  QCOMPARE(w.script.notices.size(), notice.isEmpty() ? 0 : 1);
  if (!notice.isEmpty())
    QVERIFY2(w.script.notices.first().contains(notice), qPrintable(w.script.notices.first()));
  QCOMPARE(w.script.yesNoQuestions.size(), question.isEmpty() ? 0 : 1);
  if (!question.isEmpty()) QVERIFY(w.script.yesNoQuestions.first().contains(question));
  QVERIFY(!w.dlg->isWindowModified());
}

QTEST_MAIN(AutoAlignmentTest)
#include "AutoAlignmentTest.moc"
