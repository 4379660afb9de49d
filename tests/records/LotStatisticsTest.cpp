#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

#include "records/DriftCusum.h"
#include "records/LotQuery.h"
#include "records/LotStatistics.h"
#include "tests/support/PostgresServer.h"
#include "tests/support/SimulatedLotRecords.h"

using namespace velmora;
using namespace velmora::test;

namespace {

using Offsets = std::vector<double>;
using Positions = std::set<int>;

// A lot computed in memory as LotQuery would read it back: the drift and outlier rules' own input.
LotData MemoryLot(const LotRecipe& recipe) {
  LotData lot;
  for (const auto& p : sim::SimulatedLot::Plan())
    lot.points.push_back({{p.band, p.table, p.point}, p.mhz, p.targetWatts, p.windowWatts});
  for (int radio = 0; radio < recipe.radios; ++radio) {
    const ProductionRecord r = LotRecord(recipe, radio);
    LotRadio entry{r.serial, r.Station(), r.startedUtc, 1, true, 80, {}};
    for (std::size_t i = 0; i < r.points.size(); ++i) {
      const AlignmentPointRow& p = r.points[i];
      entry.readings.push_back({int(i), p.newLevel, p.confirmedWatts, p.liveTunes, true});
    }
    lot.radios.push_back(std::move(entry));
  }
  return lot;
}

Positions Flagged(const LotSummary& summary) {
  Positions flagged;
  for (const OutlierRadio& o : summary.outliers) flagged.insert(int(o.radio));
  return flagged;
}

}  // namespace

class LotStatisticsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void cusumRaisesAtTheRightRadio_data();
  void cusumRaisesAtTheRightRadio();
  void pointStatisticsByHand();
  void simulatedLotFromTheRecords_data();
  void simulatedLotFromTheRecords();
  void stableRadiosRarelyAlarm_data();
  void stableRadiosRarelyAlarm();
  void filtersAndRetries_data();
  void filtersAndRetries();
  void olderDatabaseGivesTheSameLot_data();
  void olderDatabaseGivesTheSameLot();

 private:
  QString NewUrl(const QString& engine);
  std::unique_ptr<RecordStore> NewStore(const QString& engine);

  PostgresServer m_server;
  QTemporaryDir m_dir;
  int m_files = 0;
};

void LotStatisticsTest::initTestCase() {
  const QString why = m_server.Start();
  // Statistics are queries over the line's database as much as the bench's: never skipped.
  QVERIFY2(why.isEmpty(), qPrintable("PostgreSQL is needed for these tests: " + why));
}

QString LotStatisticsTest::NewUrl(const QString& engine) {
  return engine == "postgresql" ? m_server.NewDatabase()
                                : m_dir.filePath(QString("lot%1.sqlite").arg(++m_files));
}

std::unique_ptr<RecordStore> LotStatisticsTest::NewStore(const QString& engine) {
  std::string error;
  auto store = RecordStore::Open(NewUrl(engine), error);
  if (!store) qWarning("%s", error.c_str());
  return store;
}

void LotStatisticsTest::cusumRaisesAtTheRightRadio_data() {
  QTest::addColumn<Offsets>("after");  // offsets after the baseline's radios at 0
  QTest::addColumn<int>("alarmAt");    // counted from the first radio after the baseline; -1: none
  QTest::addColumn<int>("start");
  // Sigma 1, k 0.5, h 6: a step of 2 adds 1.5 a radio and passes 6 at its fifth radio.
  QTest::newRow("step up") << Offsets{0.2, -0.1, 2, 2, 2, 2, 2} << 6 << 2;
  QTest::newRow("step down") << Offsets{0, -2, -2, -2, -2, -2} << 5 << 1;
  QTest::newRow("three radios short") << Offsets{2, 2, 2, 0.5, 0.5} << -1 << -1;
  QTest::newRow("one odd radio below h") << Offsets{6.4, 0, 0} << -1 << -1;
  QTest::newRow("one radio beyond h") << Offsets{0, 6.6} << 1 << 1;
  // A slow drift: the statistic climbs once the offsets pass k.
  QTest::newRow("ramp") << Offsets{0.4, 0.8, 1.2, 1.6, 2.0, 2.4, 2.8} << 6 << 1;
}

void LotStatisticsTest::cusumRaisesAtTheRightRadio() {
  QFETCH(Offsets, after);
  QFETCH(int, alarmAt);
  QFETCH(int, start);
  DriftCusum cusum(1.0);
  for (std::size_t i = 0; i < DriftCusum::kBaselineRadios; ++i) QVERIFY(!cusum.Add(0));
  std::optional<DriftCusum::Alarm> alarm;
  for (double offset : after) {
    if (auto raised = cusum.Add(offset)) {
      QVERIFY2(!alarm, "a step is reported once");
      alarm = raised;
    }
  }
  QCOMPARE(alarm.has_value(), alarmAt >= 0);
  if (!alarm) return;
  const int baseline = int(DriftCusum::kBaselineRadios);
  QCOMPARE(int(alarm->at), baseline + alarmAt);
  QCOMPARE(int(alarm->start), baseline + start);
  QVERIFY(cusum.steps()[alarm->at].alarm);
}

void LotStatisticsTest::pointStatisticsByHand() {
  // Five radios at one point, one of them far off; an even sixth at a second point.
  LotData lot;
  lot.points = {{{0, 0, 0}, 136, 4.0, 0.2}, {{1, 2, 5}, 440, 0.5, 0.025}};
  const int levels[] = {10, 12, 11, 30, 11};
  const double watts[] = {4.0, 4.1, 3.9, 4.0, 4.0};
  for (int i = 0; i < 5; ++i) {
    lot.radios.push_back(
        {SerialOf(i), "s", "", 1, i != 2, 60.0 + i, {{0, levels[i], watts[i], 2 + i % 2, true}}});
  }
  lot.radios[0].readings.push_back({1, 40, 0.5, 3, true});
  lot.radios[1].readings.push_back({1, 44, 0.52, 3, true});
  lot.radios[2].readings.push_back({1, 90, 0.1, 8, false});  // a failed point counts for nothing
  const LotSummary s = LotStatistics::Summarise(lot);
  QCOMPARE(s.points.size(), 2u);
  QCOMPARE(s.points[0].n, 5);
  QCOMPARE(s.points[0].levelMedian, 11.0);
  QCOMPARE(s.points[0].levelMad, 1.0);
  QCOMPARE(s.points[0].wattsMean, 4.0);
  QVERIFY(qFuzzyCompare(s.points[0].wattsSigma, std::sqrt(0.005)));
  QVERIFY(qFuzzyCompare(*s.points[0].cpk, 0.2 / (3 * std::sqrt(0.005))));
  QCOMPARE(s.points[0].liveTunes, 12.0 / 5);
  QCOMPARE(s.points[1].n, 2);
  QCOMPARE(s.points[1].levelMedian, 42.0);
  QVERIFY(qFuzzyCompare(*s.points[1].cpk, (0.525 - 0.51) / (3 * std::sqrt(0.0002))));
  QCOMPARE(s.firstPassYield, 0.8);
  QCOMPARE(s.secondsPerRadio, 62.0);
  QCOMPARE(s.liveTunesPerPoint, (12.0 + 14) / 8);
  QCOMPARE(s.outliers.size(), 1u);
  QCOMPARE(s.outliers[0].radio, 3u);
  QCOMPARE(s.outliers[0].level, 30);
  QCOMPARE(s.outliers[0].mads, 19.0);
}

void LotStatisticsTest::simulatedLotFromTheRecords_data() {
  QTest::addColumn<QString>("engine");
  QTest::addColumn<Positions>("odd");
  QTest::addColumn<double>("knee");
  QTest::newRow("sqlite, slow amplifiers") << "sqlite" << Positions{7, 64, 99, 150, 198} << 1.35;
  QTest::newRow("postgresql, hot amplifiers")
      << "postgresql" << Positions{3, 101, 120, 177} << 0.72;
}

// 200 radios with odd amplifiers and a 0.5 dB step after radio 100 (position 99).
void LotStatisticsTest::simulatedLotFromTheRecords() {
  QFETCH(QString, engine);
  QFETCH(Positions, odd);
  QFETCH(double, knee);
  auto store = NewStore(engine);
  QVERIFY(store);
  LotRecipe recipe;
  recipe.oddRadios = odd;
  recipe.oddKnee = knee;
  recipe.stepAfter = 99;
  QCOMPARE(WriteLot(*store, recipe), std::string());
  std::string error;
  const LotData lot = LotQuery::Load(*store, {"", "", recipe.lot, ""}, error);
  QCOMPARE(error, std::string());
  QCOMPARE(lot.radios.size(), 200u);
  const LotSummary summary = LotStatistics::Summarise(lot);
  QCOMPARE(Flagged(summary), odd);
  QCOMPARE(summary.drift.size(), 1u);
  const StationDrift& drift = summary.drift[0];
  QCOMPARE(drift.alarms.size(), 1u);
  const DriftAlarmAt& alarm = drift.alarms[0];
  std::printf("outliers %zu of %zu odd; step named at radio %zu, raised at radio %zu\n",
              summary.outliers.size(), odd.size(), alarm.fromRadio + 1, alarm.atRadio + 1);
  QVERIFY2(alarm.atRadio >= 100 && alarm.atRadio < 110, "raised within ten radios of the step");
  QVERIFY2(alarm.fromRadio >= 99 && alarm.fromRadio <= 102, "names the radio the step starts at");
  QVERIFY(alarm.shift > 0);  // more loss, higher levels
}

void LotStatisticsTest::stableRadiosRarelyAlarm_data() {
  QTest::addColumn<quint64>("firstSeed");
  QTest::newRow("seeds 0-999") << quint64(0);
  QTest::newRow("seeds 50000-50999") << quint64(50000);
  QTest::newRow("seeds 1e9") << quint64(1000000000);
}

void LotStatisticsTest::stableRadiosRarelyAlarm() {
  QFETCH(quint64, firstSeed);
  LotRecipe recipe;
  recipe.radios = 1000;
  recipe.firstSeed = firstSeed;
  const LotData lot = MemoryLot(recipe);
  const LotSummary summary = LotStatistics::Summarise(lot);
  std::size_t alarms = 0;
  for (const auto& station : summary.drift) alarms += station.alarms.size();
  std::printf("1000 stable radios from seed %llu: %zu drift alarms, %zu outliers\n",
              static_cast<unsigned long long>(firstSeed), alarms, summary.outliers.size());
  QVERIFY2(alarms < 10, "fewer than 1 % false alarms");
  QCOMPARE(summary.outliers.size(), 0u);
}

void LotStatisticsTest::filtersAndRetries_data() {
  QTest::addColumn<QString>("engine");
  QTest::newRow("sqlite") << "sqlite";
  QTest::newRow("postgresql") << "postgresql";
}

// Two lots on two benches, one radio aligned twice: each filter takes its own radios, once.
void LotStatisticsTest::filtersAndRetries() {
  QFETCH(QString, engine);
  auto store = NewStore(engine);
  QVERIFY(store);
  LotRecipe first;
  first.radios = 6;
  LotRecipe second = first;
  second.lot = "WO-OTHER";
  second.bench = "line-2";
  second.start = first.start.addDays(2);
  second.firstSeed = 70;
  QCOMPARE(WriteLot(*store, first), std::string());
  QCOMPARE(WriteLot(*store, second), std::string());
  ProductionRecord failed = LotRecord(first, 6), retried = LotRecord(first, 6);
  failed.succeeded = false;
  failed.points.resize(3);
  failed.points[2].verdict = "try-limit";
  retried.startedUtc = UtcText(first.start.addSecs(3600));
  retried.endedUtc = UtcText(first.start.addSecs(3600 + 100));
  ProductionRecord read = LotRecord(first, 7);
  read.kind = "read";
  std::string error;
  for (ProductionRecord* r : {&failed, &retried, &read})
    QVERIFY2(store->Add(*r, error), error.c_str());

  const LotData lot = LotQuery::Load(*store, {"", "", first.lot, ""}, error);
  QCOMPARE(error, std::string());
  QCOMPARE(lot.radios.size(), 7u);  // the read is not an alignment
  const LotRadio& again = lot.radios.back();
  QCOMPARE(again.serial, SerialOf(6));
  QCOMPARE(again.alignments, 2);
  QVERIFY(!again.firstPassed);
  QCOMPARE(again.seconds, 80.0 + 100.0);
  QCOMPARE(again.readings.size(), retried.points.size());  // the latest alignment's points
  QCOMPARE(lot.points.size(), sim::SimulatedLot::Plan().size());
  QCOMPARE(lot.points[17].key, (LotPointKey{0, 1, 1}));
  QCOMPARE(lot.points[17].targetWatts, 2.0);
  QCOMPARE(LotStatistics::Summarise(lot).firstPassYield, 6.0 / 7);

  const LotData other = LotQuery::Load(*store, {"", "", "", "bench-host/line-2"}, error);
  QCOMPARE(other.radios.size(), 6u);
  QCOMPARE(other.radios[0].serial, SerialOf(0));
  QCOMPARE(other.radios[0].station, std::string("bench-host/line-2"));
  const LotData since = LotQuery::Load(*store, {UtcText(second.start), "", "", ""}, error);
  QCOMPARE(since.radios.size(), 6u);
  QCOMPARE(LotQuery::Load(*store, {"2030-01-01", "", "", ""}, error).radios.size(), 0u);
}

void LotStatisticsTest::olderDatabaseGivesTheSameLot_data() { filtersAndRetries_data(); }

// A database from before each record held its points packed in its row: opening it fills them
// from the point rows, and the lot reads back as the radios' records hold it, to the last bit.
void LotStatisticsTest::olderDatabaseGivesTheSameLot() {
  QFETCH(QString, engine);
  const QString url = NewUrl(engine);
  std::string error;
  auto store = RecordStore::Open(url, error);
  QVERIFY2(store, error.c_str());
  LotRecipe recipe;
  recipe.radios = 30;
  recipe.oddRadios = {4};
  QCOMPARE(WriteLot(*store, recipe), std::string());
  ProductionRecord failed = LotRecord(recipe, 0), read = LotRecord(recipe, 1);
  failed.points.resize(5);
  failed.points[4].verdict = "try-limit";
  failed.startedUtc = failed.endedUtc = UtcText(recipe.start.addDays(-1));
  read.kind = "read";
  for (ProductionRecord* r : {&failed, &read}) QVERIFY2(store->Add(*r, error), error.c_str());
  const LotData written = LotQuery::Load(*store, {"", "", recipe.lot, ""}, error);
  QCOMPARE(error, std::string());

  QCOMPARE(QSqlDatabase::connectionNames().size(), 1);  // the store's own
  QSqlQuery raw(QSqlDatabase::database(QSqlDatabase::connectionNames().first()));
  QVERIFY(raw.exec("ALTER TABLE records DROP COLUMN point_readings"));
  QVERIFY(raw.exec("UPDATE velmora_schema SET version = 1"));
  raw = QSqlQuery();
  store = RecordStore::Open(url, error);
  QVERIFY2(store, error.c_str());
  const LotData migrated = LotQuery::Load(*store, {"", "", recipe.lot, ""}, error);
  QCOMPARE(error, std::string());
  QVERIFY(migrated == written);
  QCOMPARE(migrated.radios.size(), 30u);
  QCOMPARE(migrated.radios[0].alignments, 2);
  for (int radio = 0; radio < recipe.radios; ++radio) {
    const auto& points = LotRecord(recipe, radio).points;
    const auto& readings = migrated.radios[std::size_t(radio)].readings;
    QCOMPARE(readings.size(), points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
      const LotReading& r = readings[i];
      QCOMPARE(migrated.points[std::size_t(r.point)].key,
               (LotPointKey{points[i].band == "B", points[i].table, points[i].point}));
      QCOMPARE(r.level, points[i].newLevel);
      QVERIFY(r.confirmedWatts == points[i].confirmedWatts);  // the exact double
      QCOMPARE(r.liveTunes, points[i].liveTunes);
      QVERIFY(r.aligned);
    }
  }
  QCOMPARE(Flagged(LotStatistics::Summarise(migrated)), Positions{4});
  QCOMPARE(store->Verify(error).firstBadId, std::string());
  QCOMPARE(store->Verify(error).checked, 32);

  // A packed value cut short is named, not read as other points.
  QSqlQuery damage(QSqlDatabase::database(QSqlDatabase::connectionNames().first()));
  QVERIFY(
      damage.exec("UPDATE records SET point_readings = SUBSTR(point_readings, 1, 19)"
                  " WHERE serial = 'SN100007' AND kind = 'align'"));
  QVERIFY(LotQuery::Load(*store, {"", "", recipe.lot, ""}, error).radios.empty());
  QVERIFY2(error.find("SN100007") != std::string::npos, error.c_str());
}

QTEST_GUILESS_MAIN(LotStatisticsTest)
#include "LotStatisticsTest.moc"
