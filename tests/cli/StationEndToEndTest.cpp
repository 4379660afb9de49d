#include <QTest>
#include <csignal>

#include "tests/cli/StationBench.h"

using namespace velmora;
using namespace velmora::test;
using namespace velmora::test::station;

namespace {

// velmora-cli station with its stdin open, as a scanner in a terminal feeds it.
class StationProcess {
 public:
  void Start(const QStringList& args, const QMap<QString, QString>& environment) {
    auto env = QProcessEnvironment::systemEnvironment();
    for (auto it = environment.begin(); it != environment.end(); ++it)
      env.insert(it.key(), it.value());
    m_process.setProcessEnvironment(env);
    m_process.start(VELMORA_CLI_PATH, QStringList{"station"} + args);
    m_process.waitForStarted(5000);
  }
  // Scans a serial and returns the line the station prints for that radio.
  QString Scan(const QString& serial) {
    m_process.write((serial + "\n").toUtf8());
    while (!m_process.canReadLine() && m_process.state() == QProcess::Running)
      m_process.waitForReadyRead(kLineWaitMs);
    return QString::fromUtf8(m_process.readLine()).trimmed();
  }
  QProcess& process() { return m_process; }
  // The rest of its output once its input has ended.
  QString Finish() {
    m_process.closeWriteChannel();
    m_process.waitForFinished(kLineWaitMs);
    return QString::fromUtf8(m_process.readAllStandardOutput());
  }

 private:
  QProcess m_process;
};

}  // namespace

class StationEndToEndTest : public QObject {
  Q_OBJECT

 private slots:
  void threeScannedRadiosAreAlignedWrittenAndRecorded();
  void overdueMeterIsRefusedBeforeAnyRadio();
  void signalWhileWaitingForAScanEndsWithASummary();
};

void StationEndToEndTest::threeScannedRadiosAreAlignedWrittenAndRecorded() {
  QTemporaryDir dir;
  Bench bench(dir);
  const auto lot = LotForBench(bench);
  QVERIFY2(lot, "no three simulated radios fit the test's plan");
  const QString plan = WritePlan(dir.filePath("plan.json"), lot->maxLevel);
  QVERIFY(!plan.isEmpty());
  const auto due = RunCli(
      {}, {"meter", "--meter", bench.meterUrl(), "--calibration-due", "2099-12-31", "--save"},
      bench.env);
  QVERIFY2(due.exitCode == 0, qPrintable(due.describe()));

  StationProcess station;
  station.Start({plan, "--meter", bench.meterUrl(), "--port", "1", "--lot", "L-9", "--quiet"},
                bench.env);
  const std::vector<std::pair<QString, std::uint64_t>> radios = {
      {"SN-0001", lot->good1}, {"SN-0002", lot->weak}, {"SN-0003", lot->good2}};
  std::map<QString, std::shared_ptr<CalibrationImage>> leftInRadio;
  for (const auto& [serial, seed] : radios) {
    QVERIFY(bench.Swap(seed));
    const QString line = station.Scan(serial);
    const bool weak = seed == lot->weak;
    QVERIFY2(line.startsWith(serial + (weak ? "  FAIL" : "  PASS")), qPrintable(line));
    if (weak) QVERIFY2(line.contains(QString("A high %1").arg(lot->weakPoint)), qPrintable(line));
    const auto now = bench.ReadRadio(serial + ".dat");
    QVERIFY(now);
    leftInRadio[serial] = now;
  }
  const QString rest = station.Finish();
  QVERIFY2(rest.contains("station: 3 radios, 2 PASS, 1 FAIL"), qPrintable(rest));
  QCOMPARE(station.process().exitCode(), 1);

  // history counts a radio's aligned points as the alignment names them.
  const auto history = RunCli({}, {"history", "SN-0002", "--json"}, bench.env);
  const QJsonObject alignment =
      QJsonDocument::fromJson(history.out.toUtf8())["jobs"][0]["alignment"].toObject();
  QCOMPARE(alignment["passed"].toInt(), int(kPoints.size()) - 1);

  const auto records = LastRecordBySerial(dir);
  QCOMPARE(records.size(), std::size_t(3));
  for (const auto& [serial, seed] : radios) {
    const ProductionRecord& r = records.at(serial.toStdString());
    const bool weak = seed == lot->weak;
    QCOMPARE(QString::fromStdString(r.outcome), QString(weak ? "FAIL" : "PASS"));
    QCOMPARE(r.kind, std::string("align"));
    QCOMPARE(r.lot, std::string("L-9"));
    QVERIFY2(QString::fromStdString(r.detail).contains("meter calibration due 2099-12-31"),
             r.detail.c_str());
    QCOMPARE(r.points.size(), kPoints.size());
    QCOMPARE(r.backupPath.empty(), weak);  // nothing is written into a failed radio
    int confirmedByReading = 0;  // points whose confirming reading needed no new live tune
    for (const AlignmentPointRow& p : r.points) {
      QVERIFY(p.liveTunes >= 1 && p.liveTunes <= p.readings);
      confirmedByReading += p.liveTunes < p.readings;
      const bool failed = weak && p.point == lot->weakPoint;
      QCOMPARE(p.verdict == "aligned", !failed);
      // What the radio holds now: the aligned level, or the factory's where nothing was written.
      const int held = leftInRadio[serial]->Level({Band::A, 0, p.point});
      QCOMPARE(held, weak ? p.oldLevel : p.newLevel);
      if (!weak) QVERIFY(p.newLevel <= lot->maxLevel);
    }
    QVERIFY(confirmedByReading > 0);
  }
}

void StationEndToEndTest::overdueMeterIsRefusedBeforeAnyRadio() {
  QTemporaryDir dir;
  Bench bench(dir);
  QVERIFY(bench.Swap(1));
  const QString plan = WritePlan(dir.filePath("plan.json"), 250);
  QVERIFY(
      RunCli({},
             {"meter", "--meter", bench.meterUrl(), "--calibration-due", "2020-01-31", "--save"},
             bench.env)
          .exitCode == 0);
  StationProcess station;
  station.Start({plan, "--meter", bench.meterUrl(), "--port", "1"}, bench.env);
  station.process().write("SN-1\n");
  station.Finish();
  QCOMPARE(station.process().exitCode(), 2);
  QVERIFY(station.process().readAllStandardError().contains("due on 2020-01-31"));
  QVERIFY(LastRecordBySerial(dir).empty());
  // align only warns, and still runs.
  const auto align = RunCli(
      {}, {"align", plan, "--meter", bench.meterUrl(), "--port", "1", "--tables", "A0"}, bench.env);
  QVERIFY2(align.err.contains("warning: the meter's calibration was due on 2020-01-31"),
           qPrintable(align.describe()));
  QCOMPARE(align.exitCode, 0);
}

void StationEndToEndTest::signalWhileWaitingForAScanEndsWithASummary() {
  QTemporaryDir dir;
  Bench bench(dir);
  QVERIFY(bench.Swap(1));
  StationProcess station;
  station.Start(
      {WritePlan(dir.filePath("plan.json"), 250), "--meter", bench.meterUrl(), "--port", "1"},
      bench.env);
  // A scan that is no serial (too long for a label, or a control character) runs nothing.
  station.process().write(QByteArray(65, 'X') + "\n" + "SN\x1b[2J\n");
  QVERIFY(station.Scan("SN-7").startsWith("SN-7  PASS"));
  ::kill(pid_t(station.process().processId()), SIGINT);
  QVERIFY(station.process().waitForFinished(kLineWaitMs));
  const QString rest = QString::fromUtf8(station.process().readAllStandardOutput());
  QVERIFY2(rest.contains("station: 1 radios, 1 PASS, 0 FAIL; stopped by a signal"),
           qPrintable(rest));
  QCOMPARE(station.process().exitCode(), 1);
  const auto records = LastRecordBySerial(dir);
  QCOMPARE(records.size(), std::size_t(1));
  QCOMPARE(records.begin()->first, std::string("SN-7"));
}

QTEST_GUILESS_MAIN(StationEndToEndTest)
#include "StationEndToEndTest.moc"
