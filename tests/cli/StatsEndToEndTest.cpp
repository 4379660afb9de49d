#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

#include "tests/cli/CliProcess.h"
#include "tests/support/SimulatedLotRecords.h"

using namespace velmora;
using namespace velmora::test;

namespace {

// A headless browser may take its time to start on a busy machine.
constexpr int kBrowserMs = 120000;
constexpr int kStepAfter = 99;  // the step starts at radio 101
const std::set<int> kOdd = {7, 57, 107, 157};

QString Serial(int radio) { return QString::fromStdString(SerialOf(radio)); }

}  // namespace

class StatsEndToEndTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void jsonNamesTheOddRadiosAndTheStep();
  void csvAgreesWithJson();
  void htmlRendersInABrowser();
  void badRequests_data();
  void badRequests();

 private:
  CliResult Stats(const QStringList& args) {
    return RunCli({}, QStringList{"stats", "--records", m_db} + args,
                  {{"XDG_DATA_HOME", m_dir.filePath("data")}});
  }
  QJsonObject Json();

  QTemporaryDir m_dir;
  QString m_db;
};

void StatsEndToEndTest::initTestCase() {
  QVERIFY(m_dir.isValid());
  m_db = m_dir.filePath("lot.sqlite");
  std::string error;
  auto store = RecordStore::Open(m_db, error);
  QVERIFY2(store, error.c_str());
  LotRecipe recipe;
  recipe.oddRadios = kOdd;
  recipe.stepAfter = kStepAfter;
  QCOMPARE(WriteLot(*store, recipe), std::string());
  LotRecipe otherLot = recipe;  // another lot on the same bench must not count
  otherLot.lot = "WO-OTHER";
  otherLot.radios = 5;
  otherLot.oddRadios = {0, 1, 2};
  otherLot.start = recipe.start.addDays(3);
  QCOMPARE(WriteLot(*store, otherLot), std::string());
}

QJsonObject StatsEndToEndTest::Json() {
  const QString out = m_dir.filePath("lot.json");
  const CliResult result = Stats({"--lot", "WO-2026-12", "-o", out});
  if (result.exitCode != 0) qWarning("%s", qPrintable(result.describe()));
  return QJsonDocument::fromJson(ReadAll(out)).object();
}

void StatsEndToEndTest::jsonNamesTheOddRadiosAndTheStep() {
  const QJsonObject json = Json();
  QCOMPARE(json["radios"].toInt(), 200);
  QCOMPARE(json["points"].toArray().size(), 96);
  QCOMPARE(json["firstPassYield"].toDouble(), 1.0);
  QCOMPARE(json["secondsPerRadio"].toDouble(), 80.0);
  QStringList flagged, odd;
  for (const auto& o : json["outliers"].toArray()) flagged << o.toObject()["serial"].toString();
  for (int radio : kOdd) odd << Serial(radio);
  QCOMPARE(flagged, odd);
  const QJsonArray drift = json["drift"].toArray();
  QCOMPARE(drift.size(), 1);
  QCOMPARE(drift[0].toObject()["station"].toString(), QString("bench-host/line-1"));
  const QJsonArray steps = drift[0].toObject()["steps"].toArray();
  QCOMPARE(steps.size(), 1);
  const QString from = steps[0].toObject()["fromSerial"].toString();
  const QString raised = steps[0].toObject()["raisedAtSerial"].toString();
  QVERIFY2(from >= Serial(kStepAfter) && from <= Serial(kStepAfter + 3), qPrintable(from));
  QVERIFY2(raised > Serial(kStepAfter) && raised <= Serial(kStepAfter + 10), qPrintable(raised));
}

void StatsEndToEndTest::csvAgreesWithJson() {
  const QJsonArray points = Json()["points"].toArray();
  const QString out = m_dir.filePath("lot.csv");
  const CliResult result = Stats({"--lot", "WO-2026-12", "-o", out});
  QVERIFY2(result.exitCode == 0, qPrintable(result.describe()));
  QVERIFY(
      result.out.contains("200 radios, first-pass yield 100.0 %, 4 outlier radios, 1 drift steps"));
  const QStringList rows = QString::fromUtf8(ReadAll(out)).split("\r\n", Qt::SkipEmptyParts);
  QCOMPARE(rows.size(), 1 + 96);
  QCOMPARE(rows[0], QString("band,table,point,mhz,target_w,window_w,n,level_median,level_mad,"
                            "watts_mean,watts_sigma,cpk,live_tunes"));
  for (int i : {0, 47, 95}) {
    const QStringList cells = rows[1 + i].split(',');
    const QJsonObject point = points[i].toObject();
    QCOMPARE(cells[0], point["band"].toString());
    QCOMPARE(cells[2].toInt(), point["point"].toInt());
    QCOMPARE(cells[6].toInt(), 200);  // the odd radios count for the median too
    QCOMPARE(cells[7].toDouble(), point["levelMedian"].toDouble());
    QCOMPARE(cells[11], QString::number(point["cpk"].toDouble(), 'f', 2));
  }
}

void StatsEndToEndTest::htmlRendersInABrowser() {
  const QString out = m_dir.filePath("lot.html");
  const CliResult result = Stats({"--lot", "WO-2026-12", "-o", out});
  QVERIFY2(result.exitCode == 0, qPrintable(result.describe()));
  QProcess browser;
  browser.start("chromium",
                {"--headless", "--no-sandbox", "--disable-gpu",
                 "--user-data-dir=" + m_dir.filePath("browser"), "--enable-logging=stderr", "--v=0",
                 "--virtual-time-budget=5000", "--dump-dom", QUrl::fromLocalFile(out).toString()});
  QVERIFY2(browser.waitForFinished(kBrowserMs), "chromium (Debian package chromium) must run");
  const QString dom = QString::fromUtf8(browser.readAllStandardOutput());
  const QString log = QString::fromUtf8(browser.readAllStandardError());
  // Six level charts (two bands, three tables) and one station's drift chart, each drawn.
  const QString body = QRegularExpression("<body[^>]*>").match(dom).captured();
  QVERIFY2(body.contains("data-charts-drawn=\"7\""), qPrintable(body + log.right(2000)));
  QVERIFY2(!body.contains("data-errors"), qPrintable(body));
  QVERIFY2(!log.contains("CONSOLE"), qPrintable(log.right(2000)));
  // Every odd radio's line leads to its row, which gives the command for its history.
  for (int radio : kOdd) {
    QVERIFY(dom.contains("href=\"#radio-" + Serial(radio) + "\""));
    QVERIFY(dom.contains("id=\"radio-" + Serial(radio) + "\""));
    QVERIFY(dom.contains("velmora-cli history " + Serial(radio)));
  }
  QVERIFY(dom.contains("<table id=\"cpk\">"));
}

void StatsEndToEndTest::badRequests_data() {
  QTest::addColumn<QStringList>("args");
  QTest::addColumn<int>("exitCode");
  QTest::addColumn<QString>("says");
  QTest::newRow("no output") << QStringList{"--lot", "WO-2026-12"} << 2 << "-o";
  QTest::newRow("unknown format") << QStringList{"-o", "lot.txt"} << 2 << ".html, .csv or .json";
  QTest::newRow("stray argument") << QStringList{"WO-2026-12", "-o", "x.json"} << 2 << "-o";
  QTest::newRow("unknown option") << QStringList{"--lots", "L", "-o", "x.json"} << 2 << "--lots";
  QTest::newRow("empty lot") << QStringList{"--lot", "WO-NONE", "-o", "none.json"} << 1
                             << "0 radios";
  QTest::newRow("future") << QStringList{"--since", "2030-01-01", "-o", "none.csv"} << 1
                          << "0 radios";
  QTest::newRow("no such folder") << QStringList{"-o", "missing/lot.json"} << 2 << "missing";
}

void StatsEndToEndTest::badRequests() {
  QFETCH(QStringList, args);
  QFETCH(int, exitCode);
  QFETCH(QString, says);
  for (QString& arg : args) {
    if (arg.contains('.')) arg = m_dir.filePath(arg);
  }
  const CliResult result = Stats(args);
  QVERIFY2(result.exitCode == exitCode, qPrintable(result.describe()));
  QVERIFY2((result.out + result.err).contains(says), qPrintable(result.describe()));
}

QTEST_GUILESS_MAIN(StatsEndToEndTest)
#include "StatsEndToEndTest.moc"
