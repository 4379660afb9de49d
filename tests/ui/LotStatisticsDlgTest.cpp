#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSvgRenderer>
#include <QSvgWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "tests/support/SimulatedLotRecords.h"
#include "tests/ui/MainWindowFixture.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/LotStatisticsDlg.h"
#include "ui/LotStatisticsTables.h"
#include "ui/MainWindowCommands.h"

using namespace velmora;

namespace {

constexpr int kRadios = 120;
constexpr int kStepAfter = 60;
const std::set<int> kOddRadios = {30, 90};
constexpr int kQueryTimeoutMs = 60000;
// Two bands of three transmit tables, and the one station's drift.
constexpr int kCharts = 2 * 3 + 1;

QAction* MenuAction(QMenuBar* bar, const QString& text) {
  for (QAction* menu : bar->actions()) {
    if (!menu->menu()) continue;
    for (QAction* action : menu->menu()->actions())
      if (action->text() == text) return action;
  }
  return nullptr;
}

QStringList Column(const QTableWidget* table, int column) {
  QStringList cells;
  for (int row = 0; row < table->rowCount(); ++row) cells << table->item(row, column)->text();
  return cells;
}

void Query(LotStatisticsDlg* dlg) {
  QSignalSpy queried(dlg, &LotStatisticsDlg::Queried);
  QTest::mouseClick(dlg->queryButton(), Qt::LeftButton);
  QVERIFY(dlg->IsQuerying() || queried.count() == 1);
  QVERIFY(queried.count() == 1 || queried.wait(kQueryTimeoutMs));
  QVERIFY(!dlg->IsQuerying());
  QVERIFY(dlg->queryButton()->isEnabled());
}

}  // namespace

class LotStatisticsDlgTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void menuShowsTheLotFromTheBenchRecords();
  void filtersChooseTheRadios_data();
  void filtersChooseTheRadios();
  void savesEachReportFormat_data();
  void savesEachReportFormat();
  void closingDuringAQueryWaitsForIt();

 private:
  LotStatisticsDlg::Sources Bench() const { return {m_bench, {}}; }
  QTemporaryDir m_dir;
  QString m_bench;
};

void LotStatisticsDlgTest::initTestCase() {
  QVERIFY(m_dir.isValid());
  qputenv("XDG_DATA_HOME", m_dir.filePath("data").toUtf8());
  m_bench = LotStatisticsDlg::Sources::Program().bench;
  QVERIFY(m_bench.startsWith(m_dir.path()));
  std::string error;
  auto store = RecordStore::Open(m_bench, error);
  QVERIFY2(store, error.c_str());
  test::LotRecipe recipe;
  recipe.radios = kRadios;
  recipe.oddRadios = kOddRadios;
  recipe.stepAfter = kStepAfter;
  error = test::WriteLot(*store, recipe);
  QVERIFY2(error.empty(), error.c_str());
}

// 查看 → 批次统计 reads the bench's own records on a worker while the window stays live, and
// shows every point, the odd amplifiers and the step's first radios, and the report's charts.
void LotStatisticsDlgTest::menuShowsTheLotFromTheBenchRecords() {
  test::MainWindow w;
  QAction* entry = MenuAction(w.dlg->commands()->menuBar(), "批次统计(&S)...");
  QVERIFY(entry);
  entry->trigger();
  LotStatisticsDlg* dlg = w.dlg->commands()->lotStatistics();
  QVERIFY(dlg && dlg->isVisible());
  entry->trigger();
  QCOMPARE(w.dlg->commands()->lotStatistics(), dlg);  // one window, brought to the front
  test::TypeInto(dlg->lotEdit(), "WO-2026-12");
  Query(dlg);

  QVERIFY2(dlg->summaryLabel()->text().startsWith(QString("%1 台对讲机").arg(kRadios)),
           qPrintable(dlg->summaryLabel()->text()));
  QCOMPARE(dlg->pointTable()->rowCount(), 96);
  for (const QString& n : Column(dlg->pointTable(), LotStatisticsTables::kN))
    QVERIFY(n.toInt() >= kRadios - int(kOddRadios.size()) && n.toInt() <= kRadios);
  const QStringList serials = Column(dlg->flaggedTable(), LotStatisticsTables::kSerial);
  const QStringList kinds = Column(dlg->flaggedTable(), LotStatisticsTables::kKind);
  QStringList odd, drift;
  for (int row = 0; row < serials.size(); ++row)
    (kinds[row] == "离群" ? odd : drift) << serials[row];
  QStringList expected;
  for (int radio : kOddRadios) expected << QString::fromStdString(test::SerialOf(radio));
  QCOMPARE(odd, expected);
  QVERIFY2(!drift.isEmpty(), qPrintable(serials.join(' ')));
  // The first radio after the step is the one after kStepAfter; the alarm names one near it.
  const int from = drift.first().mid(2).toInt() - 100000;
  QVERIFY2(qAbs(from - (kStepAfter + 1)) <= 10, qPrintable(drift.join(' ')));
  QCOMPARE(dlg->charts().size(), kCharts);
  for (QSvgWidget* chart : dlg->charts()) {
    QVERIFY(chart->renderer()->isValid());
    QVERIFY(chart->width() > 0 && chart->height() > 0);
  }
  QVERIFY(dlg->saveButton()->isEnabled());
  dlg->close();
  QTRY_VERIFY(!w.dlg->commands()->lotStatistics());
}

void LotStatisticsDlgTest::filtersChooseTheRadios_data() {
  QTest::addColumn<QString>("lot");
  QTest::addColumn<QString>("station");
  QTest::addColumn<QString>("since");  // "" leaves the date unchecked
  QTest::addColumn<bool>("badDatabase");
  QTest::addColumn<int>("radios");
  QTest::addColumn<QString>("summary");
  QTest::newRow("everything") << ""
                              << ""
                              << "" << false << kRadios << "台对讲机";
  QTest::newRow("lot and station") << "WO-2026-12"
                                   << "bench-host/line-1"
                                   << "2026-12-01" << false << kRadios << "台对讲机";
  QTest::newRow("host without its bench") << ""
                                          << "bench-host"
                                          << "" << false << 0 << "没有符合条件";
  QTest::newRow("another lot") << "WO-2027-01"
                               << ""
                               << "" << false << 0 << "没有符合条件";
  QTest::newRow("another station") << ""
                                   << "bench-host/line-2"
                                   << "" << false << 0 << "没有符合条件";
  QTest::newRow("after the lot") << ""
                                 << ""
                                 << "2026-12-02" << false << 0 << "没有符合条件";
  QTest::newRow("no database") << ""
                               << ""
                               << "" << true << 0 << "查询失败";
}

// Each filter reaches the query as velmora-cli stats takes it; a database that cannot be opened
// says so, and nothing can be saved without radios.
void LotStatisticsDlgTest::filtersChooseTheRadios() {
  QFETCH(QString, lot);
  QFETCH(QString, station);
  QFETCH(QString, since);
  QFETCH(bool, badDatabase);
  QFETCH(int, radios);
  QFETCH(QString, summary);
  test::PromptScript script;
  WindowPrompts prompts = script.Prompts();
  const QString missing = m_dir.filePath("no-such-folder/records.sqlite");
  LotStatisticsDlg dlg(badDatabase ? LotStatisticsDlg::Sources{missing, {}} : Bench(), prompts);
  dlg.show();
  test::TypeInto(dlg.lotEdit(), lot);
  test::TypeInto(dlg.stationEdit(), station);
  dlg.sinceBox()->setChecked(!since.isEmpty());
  QCOMPARE(dlg.sinceEdit()->isEnabled(), !since.isEmpty());
  if (!since.isEmpty()) dlg.sinceEdit()->setDate(QDate::fromString(since, Qt::ISODate));
  Query(&dlg);
  QCOMPARE(int(dlg.result()->lot.radios.size()), radios);
  QVERIFY2(dlg.summaryLabel()->text().contains(summary), qPrintable(dlg.summaryLabel()->text()));
  QCOMPARE(dlg.saveButton()->isEnabled(), radios > 0);
  QCOMPARE(dlg.pointTable()->rowCount(), radios > 0 ? 96 : 0);
  QCOMPARE(dlg.charts().size(), radios > 0 ? kCharts : 0);
}

void LotStatisticsDlgTest::savesEachReportFormat_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("begins");  // "" when nothing may be written
  QTest::newRow("html") << "lot.html"
                        << "<!DOCTYPE html>";
  QTest::newRow("csv") << "lot.csv"
                       << "band,table,point,mhz,";
  QTest::newRow("json") << "lot.json"
                        << "{";
  QTest::newRow("other ending") << "lot.txt"
                                << "";
  QTest::newRow("a folder of that name") << "folder.html"
                                         << "";
}

// "保存报告" writes the file velmora-cli stats writes for the name's ending, or tells why not.
void LotStatisticsDlgTest::savesEachReportFormat() {
  QFETCH(QString, name);
  QFETCH(QString, begins);
  test::PromptScript script;
  const QString path = m_dir.filePath(name);
  if (name.startsWith("folder")) QVERIFY(QDir().mkpath(path));
  script.lotReportPaths << path;
  WindowPrompts prompts = script.Prompts();
  LotStatisticsDlg dlg(Bench(), prompts);
  dlg.show();
  Query(&dlg);
  QTest::mouseClick(dlg.saveButton(), Qt::LeftButton);
  QVERIFY(script.lotReportPaths.isEmpty());
  QCOMPARE(script.notices.size(), begins.isEmpty() ? 1 : 0);
  if (begins.isEmpty()) {
    QVERIFY(!QFileInfo(path).isFile());
    QVERIFY2(script.notices.first().contains(path), qPrintable(script.notices.first()));
    return;
  }
  QFile file(path);
  QVERIFY(file.open(QIODevice::ReadOnly));
  const QByteArray text = file.readAll();
  QVERIFY2(text.startsWith(begins.toUtf8()), text.left(80).constData());
  if (name.endsWith(".json")) {
    const QJsonObject json = QJsonDocument::fromJson(text).object();
    QCOMPARE(json["radios"].toInt(), kRadios);
    QCOMPARE(json["outliers"].toArray().size(), qsizetype(kOddRadios.size()));
  }
  if (name.endsWith(".html")) QCOMPARE(text.count("<svg "), kCharts);
}

// A window closed while its query runs waits for the worker, whose connection it must not outlive.
void LotStatisticsDlgTest::closingDuringAQueryWaitsForIt() {
  test::PromptScript script;
  WindowPrompts prompts = script.Prompts();
  auto dlg = std::make_unique<LotStatisticsDlg>(Bench(), prompts);
  dlg->show();
  QTest::mouseClick(dlg->queryButton(), Qt::LeftButton);
  QVERIFY(dlg->IsQuerying());
  QCOMPARE(dlg->summaryLabel()->text(), QString("正在查询…"));
  QVERIFY(!dlg->queryButton()->isEnabled());
  dlg.reset();
}

QTEST_MAIN(LotStatisticsDlgTest)
#include "LotStatisticsDlgTest.moc"
