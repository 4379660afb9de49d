#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <memory>

#include "records/RecordStore.h"
#include "tests/cli/CliProcess.h"
#include "tests/support/PostgresServer.h"

using namespace velmora;
using namespace velmora::test;

namespace {

constexpr int kProcesses = 8;

// Simulated radios published as COM1..COMn, and a data folder of the test's own.
struct Bench {
  std::vector<std::unique_ptr<SimProcess>> radios;
  QMap<QString, QString> env;

  bool Start(int count, const QString& data) {
    env.insert("XDG_DATA_HOME", data);
    env.insert("XDG_CONFIG_HOME", data + "/config");
    for (int port = 1; port <= count; ++port) {
      radios.push_back(std::make_unique<SimProcess>());
      if (!radios.back()->Start({})) return false;
      env.insert(QString("VELMORA_COM%1").arg(port), radios.back()->path());
    }
    return true;
  }
};

QString BenchFile(const QTemporaryDir& dir) { return dir.filePath("data/Velmora/records/records.sqlite"); }

std::vector<ProductionRecord> All(const QString& url) {
  std::string error;
  auto store = RecordStore::Open(url, error);
  if (!store) return {};
  return store->Select({}, error);
}

}  // namespace

class RecordsEndToEndTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void writeIsRecordedAndAChangedByteIsNamed();
  void recordThatCannotBeKeptFailsTheJobButKeepsTheFile();
  void eightProgramsRecordAtOnce();
  void stoppedLineGetsEveryRecordOnceAfterSync();

 private:
  PostgresServer m_server;
};

void RecordsEndToEndTest::initTestCase() {
  const QString why = m_server.Start();
  QVERIFY2(why.isEmpty(), qPrintable("PostgreSQL is needed for these tests: " + why));
}

void RecordsEndToEndTest::writeIsRecordedAndAChangedByteIsNamed() {
  QTemporaryDir dir;
  Bench bench;
  QVERIFY(bench.Start(1, dir.filePath("data")));
  const QString file = dir.filePath("radio.dat");
  const QStringList who = {"--serial", "SN 2231-0457", "--lot", "WO-7", "--operator", "王"};
  QCOMPARE(RunCli({}, QStringList{"read", file, "--port", "1"} + who, bench.env).exitCode, 0);
  const auto write = RunCli({}, QStringList{"write", file, "--port", "1"} + who, bench.env);
  QVERIFY2(write.exitCode == 0, qPrintable(write.describe()));
  const auto history = RunCli({}, {"history", "SN 2231-0457", "--json"}, bench.env);
  QVERIFY2(history.exitCode == 0, qPrintable(history.describe()));
  const QJsonArray jobs = QJsonDocument::fromJson(history.out.toUtf8())["jobs"].toArray();
  QCOMPARE(jobs.size(), 2);
  QCOMPARE(jobs[0]["kind"].toString(), "write");  // newest first
  QCOMPARE(jobs[1]["kind"].toString(), "read");
  QCOMPARE(jobs[0]["outcome"].toString(), "成功!");
  QCOMPARE(jobs[0]["operator"].toString(), "王");
  QCOMPARE(jobs[0]["lot"].toString(), "WO-7");
  QCOMPARE(jobs[0]["port"].toString(), "COM1");
  const auto records = All(BenchFile(dir));
  QCOMPARE(records.size(), 2u);
  QCOMPARE(records[1].imageAfter.size(), 308u);
  QCOMPARE(records[1].imageBefore.size(), 308u);  // the write's backup
  QVERIFY(!records[0].radioIdentification.empty());
  QCOMPARE(RunCli({}, {"records", "verify"}, bench.env).exitCode, 0);
  {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "edit");
    db.setDatabaseName(BenchFile(dir));
    QVERIFY(db.open());
    QSqlQuery query(db);
    query.prepare("UPDATE records SET image_after = ? WHERE kind = 'read'");
    QByteArray changed(reinterpret_cast<const char*>(records[0].imageAfter.data()), 308);
    changed[100] = char(changed[100] ^ 0x01);
    query.addBindValue(changed);
    QVERIFY(query.exec());
    db.close();
  }
  QSqlDatabase::removeDatabase("edit");
  const auto verify = RunCli({}, {"records", "verify"}, bench.env);
  QCOMPARE(verify.exitCode, 1);
  QVERIFY2(verify.out.startsWith("record " + QString::fromStdString(records[0].id)),
           qPrintable(verify.describe()));
}

// The records' file cannot be opened (a folder stands in its place): the read is saved, but the
// job says 失败! and exits 1, since the radio has no record.
void RecordsEndToEndTest::recordThatCannotBeKeptFailsTheJobButKeepsTheFile() {
  QTemporaryDir dir;
  Bench bench;
  QVERIFY(bench.Start(1, dir.filePath("data")));
  QVERIFY(QDir().mkpath(BenchFile(dir)));
  const QString file = dir.filePath("radio.dat");
  const auto read = RunCli({}, {"read", file, "--port", "1", "--serial", "SN 9"}, bench.env);
  QCOMPARE(read.exitCode, 1);
  QVERIFY2(read.out.startsWith("失败!\n"), qPrintable(read.describe()));
  QVERIFY(!read.out.contains("成功!"));
  QVERIFY2(read.err.contains("record was not kept"), qPrintable(read.describe()));
  QCOMPARE(ReadAll(file).size(), 308);
}

// Eight programs end their jobs at once into one SQLite file, each forwarding to one PostgreSQL
// database: every record once in each, and no "database is locked" shown to anyone.
void RecordsEndToEndTest::eightProgramsRecordAtOnce() {
  QTemporaryDir dir;
  Bench bench;
  QVERIFY(bench.Start(kProcesses, dir.filePath("data")));
  const QString line = m_server.NewDatabase();
  std::array<QProcess, kProcesses> clis;
  auto env = QProcessEnvironment::systemEnvironment();
  for (auto it = bench.env.begin(); it != bench.env.end(); ++it) env.insert(it.key(), it.value());
  for (int i = 0; i < kProcesses; ++i) {
    clis[i].setProcessEnvironment(env);
    clis[i].start(VELMORA_CLI_PATH, {"read", dir.filePath(QString("r%1.dat").arg(i)), "--port",
                                     QString::number(i + 1), "--serial", QString("SN %1").arg(i),
                                     "--records", line});
  }
  for (auto& cli : clis) {
    QVERIFY(cli.waitForFinished(60000));
    const QString err = QString::fromUtf8(cli.readAllStandardError());
    QVERIFY2(cli.exitCode() == 0, qPrintable(err));
    QVERIFY2(!err.contains("locked"), qPrintable(err));
  }
  QCOMPARE(RunCli({}, {"records", "sync", "--records", line}, bench.env).exitCode, 0);
  for (const QString& url : {BenchFile(dir), line}) {
    const auto records = All(url);
    QCOMPARE(records.size(), std::size_t(kProcesses));
    QSet<QString> serials;
    for (const auto& r : records) serials.insert(QString::fromStdString(r.serial));
    QCOMPARE(serials.size(), kProcesses);
  }
  QCOMPARE(RunCli({}, {"records", "verify", "--line", "--records", line}, bench.env).exitCode, 0);
}

// The line's server stops between two batches and comes back: the records made meanwhile wait on
// the bench, are counted by status, and arrive exactly once with sync.
void RecordsEndToEndTest::stoppedLineGetsEveryRecordOnceAfterSync() {
  QTemporaryDir dir;
  Bench bench;
  QVERIFY(bench.Start(4, dir.filePath("data")));
  QVERIFY(QDir().mkpath(dir.filePath("out")));
  const QString line = m_server.NewDatabase();
  const QStringList batch = {"read", dir.filePath("out"), "--ports", "1-4", "--records", line};
  QCOMPARE(RunCli({}, batch, bench.env).exitCode, 0);
  QCOMPARE(All(line).size(), 4u);
  QVERIFY(m_server.Stop().isEmpty());
  QTest::qWait(1100);  // the batch's files are named to the second
  const auto offline = RunCli({}, batch, bench.env);
  QCOMPARE(offline.exitCode, 0);  // the bench kept every record: the jobs are done
  QVERIFY2(offline.err.contains("4 waiting"), qPrintable(offline.describe()));
  const auto status = RunCli({}, {"records", "status", "--records", line}, bench.env);
  QVERIFY2(status.out.contains("waiting: 4\n"), qPrintable(status.describe()));
  QCOMPARE(RunCli({}, {"records", "sync", "--records", line}, bench.env).exitCode, 1);
  QVERIFY(m_server.Restart().isEmpty());
  const auto sync = RunCli({}, {"records", "sync", "--records", line}, bench.env);
  QVERIFY2(sync.out == "forwarded: 4\nwaiting: 0\n", qPrintable(sync.describe()));
  QVERIFY2(RunCli({}, {"records", "sync", "--records", line}, bench.env).out.startsWith("forwarded: 0"), "");
  const auto held = All(line);
  QCOMPARE(held.size(), 8u);
  QSet<QString> ids;
  for (const auto& r : held) ids.insert(QString::fromStdString(r.id));
  QCOMPARE(ids.size(), 8);
}

QTEST_GUILESS_MAIN(RecordsEndToEndTest)
#include "RecordsEndToEndTest.moc"
