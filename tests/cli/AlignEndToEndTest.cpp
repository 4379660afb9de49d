#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QCryptographicHash>
#include <QTest>

#include "core/CalibrationFile.h"
#include "records/RecordStore.h"
#include "tests/cli/CliProcess.h"
#include "tests/cli/SimPlan.h"

using namespace velmora;
using namespace velmora::test;

// One transmit table aligned through the real programs: velmora-cli reads the simulated radio on
// its pseudo-terminal, tunes the table against the simulator's meter, saves the aligned image
// and writes it back. The plan's waits and the amplifier's settling are scaled down; the
// protocol's are the real ones.
class AlignEndToEndTest : public QObject {
  Q_OBJECT

 private:
  // The run's production record: the plan by its hash, the meter by its URL, one row per point
  // as the report has it, and the radio's image before and after the write.
  static void CheckRecord(const QTemporaryDir& dir, const QString& plan, const QString& url,
                          const QJsonArray& points, const CalibrationImage& written) {
    std::string error;
    const auto store = RecordStore::Open(dir.filePath("data/Velmora/records/records.sqlite"), error);
    QVERIFY2(store, error.c_str());
    const auto history = store->History("SN-A1", error);
    QCOMPARE(history.size(), std::size_t(1));
    const ProductionRecord& r = history[0];
    QCOMPARE(r.kind, std::string("align"));
    QVERIFY(r.succeeded);
    QCOMPARE(r.outcome, std::string("成功!"));
    QCOMPARE(r.lot, std::string("L7"));
    QCOMPARE(r.operatorName, std::string("ann"));
    const QByteArray sha = QCryptographicHash::hash(ReadAll(plan), QCryptographicHash::Sha256);
    QCOMPARE(QString::fromStdString(r.planSha256), QString::fromLatin1(sha.toHex()));
    QCOMPARE(QString::fromStdString(r.meterUrl), url);
    QVERIFY(!r.radioIdentification.empty());
    const auto bytes = written.ToBytes();
    QVERIFY(r.imageAfter == std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    QVERIFY(r.imageBefore.size() == bytes.size() && r.imageBefore != r.imageAfter);
    QCOMPARE(r.points.size(), std::size_t(points.size()));
    for (std::size_t i = 0; i < r.points.size(); ++i) {
      const QJsonObject p = points[qsizetype(i)].toObject();
      QCOMPARE(r.points[i].band, std::string("A"));
      QCOMPARE(r.points[i].point, p["point"].toInt());
      QCOMPARE(r.points[i].newLevel, p["newLevel"].toInt());
      QCOMPARE(r.points[i].verdict, std::string("aligned"));
    }
  }

 private slots:
  void alignsOneTableAndWritesIt() {
    QTemporaryDir dir;
    SimProcess radio;
    QVERIFY(radio.Start(
        {"--factory", "--meter", "tcp:127.0.0.1:0", "--radio-seed", "3", "--pa-settle-ms", "4"}));
    const QString url = radio.NextLine().section(' ', 1);
    const QString plan = WriteSimPlan(dir.filePath("plan.json"), 20);
    const QString report = dir.filePath("r.json"), aligned = dir.filePath("a.dat");
    const QMap<QString, QString> env{{"XDG_DATA_HOME", dir.filePath("data")}};
    const auto run = RunCli(radio.path(),
                            {"align", plan, "--meter", url, "--port", "1", "--tables", "A0",
                             "--report", report, "--out", aligned, "--write", "--serial", "SN-A1",
                             "--lot", "L7", "--operator", "ann"},
                            env);
    QVERIFY2(run.exitCode == 0, qPrintable(run.describe()));

    QVERIFY2(run.out.startsWith("成功! aligned\n"), qPrintable(run.describe()));
    const QJsonObject json = QJsonDocument::fromJson(ReadAll(report)).object();
    QVERIFY(json["allAligned"].toBool());
    QCOMPARE(json["outcome"].toString(), QStringLiteral("aligned"));
    const QJsonArray stops = json["transmitterStops"].toArray();
    QCOMPARE(stops.size(), 1);
    QCOMPARE(stops[0]["after"].toString(), QStringLiteral("A0"));
    QVERIFY(stops[0]["confirmed"].toBool());
    QVERIFY(json["backup"].toString().startsWith(dir.filePath("data")));
    CalibrationImage saved, readBack;
    QVERIFY(CalibrationFile::LoadFromFile(saved, aligned.toStdString(), {}).ok());
    const QString again = dir.filePath("b.dat");
    QCOMPARE(RunCli(radio.path(), {"read", again, "--port", "1"}).exitCode, 0);
    QVERIFY(CalibrationFile::LoadFromFile(readBack, again.toStdString(), {}).ok());
    const QJsonArray points = json["points"].toArray();
    QVERIFY(points.size() >= 2);
    for (const QJsonValue& value : points) {
      const QJsonObject p = value.toObject();
      QCOMPARE(p["verdict"].toString(), QStringLiteral("aligned"));
      QCOMPARE(p["band"].toString(), QStringLiteral("A"));
      const int k = p["point"].toInt();
      QCOMPARE(int(saved.Level({Band::A, 0, k})), p["newLevel"].toInt());
      QCOMPARE(int(readBack.Level({Band::A, 0, k})), p["newLevel"].toInt());
    }
    CheckRecord(dir, plan, url, points, saved);
  }

  // Without --write nothing ends the transmission but the run's own stop: the meter reads
  // nothing once the tool has exited.
  void nothingTransmitsAfterTheRun() {
    QTemporaryDir dir;
    SimProcess radio;
    QVERIFY(radio.Start({"--factory", "--meter", "tcp:127.0.0.1:0", "--pa-settle-ms", "4"}));
    const QString url = radio.NextLine().section(' ', 1);
    const QString plan = WriteSimPlan(dir.filePath("plan.json"), 20);
    const auto run =
        RunCli(radio.path(), {"align", plan, "--meter", url, "--port", "1", "--tables", "A0"});
    QVERIFY2(run.exitCode == 0, qPrintable(run.describe()));
    const auto idle = RunCli(radio.path(), {"meter", "--meter", url, "--read"});
    QVERIFY2(idle.exitCode == 0 && idle.out.section(' ', 0, 0).toDouble() < 1e-3,
             qPrintable(idle.describe()));
  }

  // A run that never aligned a point says so first and in its report, with the reason, whatever
  // the read before it printed.
  void aRunThatAlignedNothingSaysSo_data() {
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("firstLine");
    QTest::addColumn<QString>("reason");
    QTest::newRow("silent meter") << QStringList{"--meter-silent"} << 1
                                  << "失败! instrument-error: "
                                  << "";
    QTest::newRow("radio gone before the read") << QStringList{"--silent"} << 1 << "连接对讲机失败!"
                                                << "the radio was not read: ";
  }
  void aRunThatAlignedNothingSaysSo() {
    QFETCH(QStringList, faults);
    QFETCH(int, exitCode);
    QFETCH(QString, firstLine);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    SimProcess radio;
    QVERIFY(radio.Start(QStringList{"--factory", "--meter", "tcp:127.0.0.1:0"} + faults));
    const QString url = radio.NextLine().section(' ', 1);
    const QString plan = WriteSimPlan(dir.filePath("plan.json"), 20);
    const QString report = dir.filePath("r.json");
    const auto run = RunCli(radio.path(),
                            {"align", plan, "--meter", url, "--port", "1", "--tables", "A0",
                             "--report", report, "--write"},
                            {{"XDG_DATA_HOME", dir.filePath("data")}});
    QVERIFY2(run.exitCode == exitCode && run.out.startsWith(firstLine), qPrintable(run.describe()));
    const QJsonObject json = QJsonDocument::fromJson(ReadAll(report)).object();
    QVERIFY2(!json.isEmpty(), "no report");
    QCOMPARE(json["allAligned"].toBool(true), false);
    QVERIFY(json["outcome"].toString() != QStringLiteral("aligned"));
    QVERIFY2(json["error"].toString().startsWith(reason) && !json["error"].toString().isEmpty(),
             qPrintable(json["error"].toString()));
  }
};

QTEST_GUILESS_MAIN(AlignEndToEndTest)
#include "AlignEndToEndTest.moc"
