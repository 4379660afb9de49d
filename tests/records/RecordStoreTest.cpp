#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <memory>

#include "records/RecordDigest.h"
#include "records/RecordForwarder.h"
#include "records/RecordSchema.h"
#include "records/RecordStore.h"
#include "tests/support/PostgresServer.h"

using namespace velmora;
using namespace velmora::test;

namespace {

constexpr int kImageSize = 308;

ProductionRecord Sample(const std::string& serial, int salt) {
  ProductionRecord r;
  r.kind = "align";
  r.startedUtc = "2026-12-08T04:00:0" + std::to_string(salt % 10) + ".000Z";
  r.endedUtc = "2026-12-08T04:01:00.000Z";
  r.outcome = "成功!";
  r.succeeded = true;
  r.detail = "COM3, radio 'X'";
  r.host = "bench-host";
  r.bench = "bench 2";
  r.operatorName = "李工";
  r.version = "1.0.0.1";
  r.port = "COM3";
  r.usbIdentity = "0403:6001 A10";
  r.radioIdentification = "5031303000000000";
  r.serial = serial;
  r.lot = "WO-7";
  r.imageBefore.assign(kImageSize, std::uint8_t(salt));
  r.imageAfter.assign(kImageSize, std::uint8_t(salt + 1));
  r.imageAfter[17] = 0x00;  // a zero byte inside must survive the blob
  r.backupPath = "/data/backups/a.dat";
  r.planName = "UHF plan";
  r.planSha256 = std::string(64, 'a');
  r.meterIdentification = "SIM,METER,1";
  r.meterUrl = "tcp://127.0.0.1:5025";
  for (int p = 0; p < 3; ++p)
    r.points.push_back({"A", 1, p, 400.125 + p, 4.0, 0.2, 100 + p, 110 + p, 4.05, 3, 5, "pass"});
  return r;
}

}  // namespace

class RecordStoreTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void storesEveryFieldAndChainsThem_data();
  void storesEveryFieldAndChainsThem();
  void newerSchemaIsRefusedNamingBoth_data();
  void newerSchemaIsRefusedNamingBoth();
  void oneChangedByteIsNamed_data();
  void oneChangedByteIsNamed();
  void forwardsEachRecordExactlyOnce();
  void killedWriterLeavesNoPartialRecord();

 private:
  void Engines();
  QString NewUrl(const QString& engine);

  PostgresServer m_server;
  QTemporaryDir m_dir;
  int m_files = 0;
};

void RecordStoreTest::initTestCase() {
  const QString why = m_server.Start();
  // The line's engine is part of what ships: without its server these tests fail, never skip.
  QVERIFY2(why.isEmpty(), qPrintable("PostgreSQL is needed for these tests: " + why));
}

void RecordStoreTest::Engines() {
  QTest::addColumn<QString>("engine");
  QTest::newRow("sqlite") << "sqlite";
  QTest::newRow("postgresql") << "postgresql";
}

QString RecordStoreTest::NewUrl(const QString& engine) {
  if (engine == "postgresql") return m_server.NewDatabase();
  return m_dir.filePath(QString("bench%1.sqlite").arg(++m_files));
}

void RecordStoreTest::storesEveryFieldAndChainsThem_data() { Engines(); }

void RecordStoreTest::storesEveryFieldAndChainsThem() {
  QFETCH(QString, engine);
  std::string error;
  auto store = RecordStore::Open(NewUrl(engine), error);
  QVERIFY2(store, error.c_str());
  ProductionRecord first = Sample("SN 2231-0457", 1), second = Sample("SN 2231-0457", 2);
  QVERIFY2(store->Add(first, error), error.c_str());
  QVERIFY2(store->Add(second, error), error.c_str());
  const auto history = store->History("SN 2231-0457", error);
  QVERIFY2(error.empty(), error.c_str());
  QCOMPARE(history.size(), 2u);
  // Newest first, every field back as it went in, and the second linked to the first.
  QCOMPARE(history[0].id, second.id);
  QCOMPARE(RecordDigest::Content(history[0]), RecordDigest::Content(second));
  QCOMPARE(RecordDigest::Content(history[1]), RecordDigest::Content(first));
  QCOMPARE(history[0].previousHash, first.contentHash);
  QCOMPARE(history[1].previousHash, std::string());
  QCOMPARE(history[1].stationSequence, 1);
  QCOMPARE(history[0].stationSequence, 2);
  QCOMPARE(store->History("SN 2231-0458", error).size(), 0u);
  const ChainCheck check = store->Verify(error);
  QCOMPARE(check.checked, 2);
  QCOMPARE(check.firstBadId, std::string());
}

void RecordStoreTest::newerSchemaIsRefusedNamingBoth_data() { Engines(); }

void RecordStoreTest::newerSchemaIsRefusedNamingBoth() {
  QFETCH(QString, engine);
  const QString url = NewUrl(engine);
  std::string error;
  {
    auto store = RecordStore::Open(url, error);
    QVERIFY2(store, error.c_str());
  }
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(engine == "sqlite" ? "QSQLITE" : "QPSQL", "raw");
    if (engine == "sqlite") {
      db.setDatabaseName(url);
    } else {
      db.setHostName(url.section("host=", 1));
      db.setUserName("velmora");
      db.setDatabaseName(url.section('/', 3).section('?', 0, 0));
    }
    QVERIFY(db.open());
    QVERIFY(QSqlQuery(db).exec("UPDATE velmora_schema SET version = 7"));
    db.close();
  }
  QSqlDatabase::removeDatabase("raw");
  QVERIFY(!RecordStore::Open(url, error));
  QVERIFY2(error.find("version 7") != std::string::npos, error.c_str());
  const std::string ours = "version " + std::to_string(RecordSchema::kVersion);
  QVERIFY2(error.find(ours) != std::string::npos, error.c_str());
}

void RecordStoreTest::oneChangedByteIsNamed_data() {
  QTest::addColumn<QString>("engine");
  QTest::addColumn<QString>("change");
  QTest::addColumn<int>("named");  // which of the three records verify must name
  const QString sql[] = {
      "UPDATE records SET serial = 'SN 2231-0456' WHERE station_seq = 2",
      "UPDATE records SET outcome = '成功?' WHERE station_seq = 2",
      "UPDATE alignment_points SET new_level = 99 WHERE idx = 1 AND record_id = "
      "(SELECT id FROM records WHERE station_seq = 2)",
      "UPDATE records SET station_seq = 4 WHERE station_seq = 3",
      "DELETE FROM records WHERE station_seq = 2",
      "UPDATE records SET point_readings = NULL WHERE station_seq = 2",
  };
  const char* names[] = {"serial",   "outcome",        "point level",
                         "sequence", "deleted record", "points packed for statistics"};
  const int named[] = {1, 1, 1, 2, 2, 1};
  for (const char* engine : {"sqlite", "postgresql"}) {
    for (int i = 0; i < int(std::size(named)); ++i) {
      QTest::addRow("%s %s", engine, names[i]) << engine << sql[i] << named[i];
    }
  }
}

void RecordStoreTest::oneChangedByteIsNamed() {
  QFETCH(QString, engine);
  QFETCH(QString, change);
  QFETCH(int, named);
  std::string error;
  auto store = RecordStore::Open(NewUrl(engine), error);
  QVERIFY2(store, error.c_str());
  std::vector<ProductionRecord> added;
  for (int i = 0; i < 3; ++i) {
    added.push_back(Sample("SN 1", i));
    QVERIFY2(store->Add(added.back(), error), error.c_str());
  }
  // The stored row changed behind the program's back, as an editor of the file would.
  QSqlQuery query(QSqlDatabase::database(QSqlDatabase::connectionNames().first()));
  if (change.startsWith("DELETE")) {
    QVERIFY(query.exec("DELETE FROM alignment_points WHERE record_id = '" +
                       QString::fromStdString(added[1].id) + "'"));
  }
  QVERIFY2(query.exec(change), qPrintable(change));
  const ChainCheck check = store->Verify(error);
  QVERIFY2(error.empty(), error.c_str());
  QCOMPARE(check.firstBadId, added[std::size_t(named)].id);
}

// A forward cut short after the line took a record but before the bench marked it: the next
// forward must neither lose nor repeat it.
void RecordStoreTest::forwardsEachRecordExactlyOnce() {
  std::string error;
  auto bench = RecordStore::Open(NewUrl("sqlite"), error);
  auto line = RecordStore::Open(NewUrl("postgresql"), error);
  QVERIFY2(bench && line, error.c_str());
  for (int i = 0; i < 5; ++i) {
    ProductionRecord r = Sample("SN " + std::to_string(i), i);
    QVERIFY2(bench->Add(r, error), error.c_str());
  }
  const auto first = bench->Unforwarded(1, error);
  QCOMPARE(first.size(), 1u);
  QVERIFY2(line->Receive(first[0], error), error.c_str());  // the crash: never marked
  QCOMPARE(bench->UnforwardedCount(error), 5);
  const auto result = RecordForwarder::Forward(*bench, *line, std::chrono::seconds(30));
  QVERIFY2(result.error.empty(), result.error.c_str());
  QCOMPARE(result.forwarded, 5);
  QCOMPARE(result.waiting, 0);
  QCOMPARE(RecordForwarder::Forward(*bench, *line, std::chrono::seconds(30)).forwarded, 0);
  const auto held = line->Select({}, error);
  QCOMPARE(held.size(), 5u);
  for (const auto& r : held) QCOMPARE(r.points.size(), 3u);
  // The chain arrives intact: the line can verify what the bench signed.
  QCOMPARE(line->Verify(error).firstBadId, std::string());
  QCOMPARE(line->Verify(error).checked, 5);
}

// SIGKILL at twenty moments while records are committed: afterwards the file opens, its chain
// verifies, and every record holds all its points.
void RecordStoreTest::killedWriterLeavesNoPartialRecord() {
  constexpr int kKills = 20;
  const QString file = NewUrl("sqlite");
  QRandomGenerator random(20261208);  // the same moments on every run
  long long before = 0;
  for (int kill = 0; kill < kKills; ++kill) {
    QProcess writer;
    writer.start(VELMORA_RECORD_WRITER, {file});
    // Each moment counts from the writer's first commit, so a loaded machine cannot make every
    // kill land before anything was written.
    QByteArray said;
    while (!said.contains("committed") && writer.waitForReadyRead(10000)) {
      said += writer.readAllStandardOutput();
    }
    QVERIFY2(said.contains("committed"), said.constData());
    QThread::usleep(random.bounded(2000, 60000));
    writer.kill();
    QVERIFY(writer.waitForFinished(10000));
    std::string error;
    auto store = RecordStore::Open(file, error);
    QVERIFY2(store, error.c_str());
    const auto held = store->Select({}, error);
    QVERIFY2(error.empty(), error.c_str());
    for (const auto& r : held) QCOMPARE(r.points.size(), 16u);
    const ChainCheck check = store->Verify(error);
    QCOMPARE(check.firstBadId, std::string());
    QCOMPARE(check.checked, (long long)held.size());
    QVERIFY(check.checked >= before);
    before = check.checked;
  }
  QVERIFY2(before >= kKills, "a kill came before its commit: the kills proved nothing");
}

QTEST_GUILESS_MAIN(RecordStoreTest)
#include "RecordStoreTest.moc"
