#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <functional>

#include "AlignTestSupport.h"
#include "align/AlignRun.h"
#include "core/ImageLayout.h"

namespace velmora::test {
namespace {

constexpr int kStored = 100;  // every transmit level of the test radio before alignment

struct Bench {
  explicit Bench(unsigned seed, double noise = 0.005, int averaging = 4,
                 MeterModel::Curve curve = MeterModel::Curve::Saturating)
      : meter(seed, noise, averaging, curve) {
    plan.points = AlignPlan::Points::All;
    plan.meter.averaging = averaging;
    image.LoadDefaults();
    for (int b = 0; b < 2; ++b)
      for (int t = 0; t < 3; ++t)
        for (int k = 0; k < layout::kPointsPerTable; ++k)
          image.SetLevel(PointRef::From(b, t, k).value(), kStored);
    before = image.ToBytes();
  }
  std::vector<PointResult> Run(int band, int table, std::stop_token stop = {}) {
    return TableRun(plan, meter, clock).Run(image, TableRef::From(band, table).value(), stop);
  }

  AlignPlan plan = ExamplePlan();
  MeterModel meter;
  FakeClock clock;
  CalibrationImage image;
  CalibrationImage::Bytes before{};
};

struct ConvergeRow {
  int band, table;
  double noise;
  int averaging;
  unsigned seed;
};

class TableConverges : public testing::TestWithParam<ConvergeRow> {};

TEST_P(TableConverges, EveryPointInsideItsWindowAndNothingElseChanged) {
  const ConvergeRow& row = GetParam();
  Bench bench(row.seed, row.noise, row.averaging);
  const std::vector<PointResult> points = bench.Run(row.band, row.table);
  ASSERT_EQ(points.size(), 16u);
  for (std::size_t i = 0; i < points.size(); ++i) {
    const PointResult& p = points[i];
    ASSERT_EQ(p.verdict, AlignVerdict::Aligned) << "point " << p.point;
    const double truth = bench.meter.TruePower(row.band, p.point, p.newLevel);
    EXPECT_GE(truth, p.target.minWatts) << "point " << p.point;
    EXPECT_LE(truth, p.target.maxWatts) << "point " << p.point;
    EXPECT_EQ(bench.image.Level(PointRef::From(row.band, row.table, p.point).value()), p.newLevel);
    if (i == 0) {
      EXPECT_EQ(p.tries.front().level, kStored);  // nothing measured yet: the stored level
    }
    EXPECT_EQ(p.tries.back().level, p.newLevel);  // the radio is left at the accepted level
  }
  const CalibrationImage::Bytes after = bench.image.ToBytes();
  for (std::size_t o = 0; o < after.size(); ++o) {
    const std::size_t table = layout::LevelTableOffset(row.band, row.table, 0);
    if (o < table || o >= table + 16) {
      EXPECT_EQ(after[o], bench.before[o]) << "offset " << o;
    }
  }
  ExpectWithinLimits(bench.meter, bench.plan);
}

INSTANTIATE_TEST_SUITE_P(Rows, TableConverges,
                         testing::Values(ConvergeRow{0, 0, 0.005, 4, 1},
                                         ConvergeRow{1, 1, 0.005, 4, 2},
                                         ConvergeRow{0, 2, 0.005, 4, 3},
                                         ConvergeRow{1, 0, 0.02, 16, 4},
                                         ConvergeRow{0, 2, 0.02, 16, 5}));

struct LimitRow {
  const char* name;
  std::function<void(AlignPlan&)> tighten;
  AlignVerdict verdict;  // of every point
};

class TableLimits : public testing::TestWithParam<LimitRow> {};

TEST_P(TableLimits, NeverCrossed) {
  Bench bench(7);
  GetParam().tighten(bench.plan);
  const std::vector<PointResult> points = bench.Run(0, 0);
  for (const PointResult& p : points) {
    EXPECT_EQ(p.verdict, GetParam().verdict)
        << "point " << p.point << ": " << VerdictName(p.verdict).toStdString();
  }
  ExpectWithinLimits(bench.meter, bench.plan);
  EXPECT_EQ(bench.image.ToBytes(), bench.before);  // no point was aligned
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TableLimits,
    testing::Values(
        // 5 W needs about level 160; 120 gives at most 4.3 W.
        LimitRow{"HighestLevel", [](AlignPlan& p) { p.safety.maxLevel = 120; },
                 AlignVerdict::LevelLimit},
        LimitRow{"LargestStepAndTries",
                 [](AlignPlan& p) {
                   p.safety.maxStep = 3;
                   p.safety.maxTries = 4;
                 },
                 AlignVerdict::TryLimit},
        // 4 W at most behind the attenuator: below the window, so nothing is keyed above it.
        LimitRow{"MeterInput", [](AlignPlan& p) { p.meter.maxInputDbm = 6.02; },
                 AlignVerdict::MeterInputLimit}),
    [](const testing::TestParamInfo<LimitRow>& row) { return std::string(row.param.name); });

TEST(TableLimits, MeterInputJustAboveTheWindowStillAligns) {
  Bench bench(8);
  bench.plan.meter.maxInputDbm = 7.404;  // 5.5 W at the radio
  // From 2 W at level 80, a straight line through zero would leap to 200 (6 W).
  bench.plan.safety.maxStep = 120;
  for (int k = 0; k < layout::kPointsPerTable; ++k) bench.image.SetLevel({Band::A, 0, k}, 80);
  for (const PointResult& p : bench.Run(0, 0)) EXPECT_EQ(p.verdict, AlignVerdict::Aligned);
  ExpectWithinLimits(bench.meter, bench.plan);
}

TEST(TableLimits, KeyedTimeEndsTheTable) {
  Bench bench(9);
  bench.plan.safety.maxKeyedSecondsPerTable = 5;  // ten tries of half a second
  const std::vector<PointResult> points = bench.Run(1, 2);
  double keyed = 0;
  std::size_t i = 0;
  for (; i < points.size() && points[i].verdict == AlignVerdict::Aligned; ++i)
    keyed += points[i].keyedSeconds;
  ASSERT_LT(i, points.size());
  EXPECT_EQ(points[i].verdict, AlignVerdict::KeyedTimeLimit);
  keyed += points[i].keyedSeconds;
  EXPECT_LE(keyed, 5.0);
  EXPECT_DOUBLE_EQ(keyed, MeterModel::kKeyedSecondsPerTry * double(bench.meter.requests.size()));
  for (++i; i < points.size(); ++i) {
    EXPECT_EQ(points[i].verdict, AlignVerdict::NotTried);
    EXPECT_TRUE(points[i].tries.empty());
  }
}

struct FaultRow {
  const char* name;
  MeterModel::Curve curve;
  int failAfter;                    // -1: the meter never fails
  int stopAfter;                    // requests before a cancel; -1: none
  std::vector<AlignVerdict> first;  // of the first points; the rest are as the last of these
};

class TableFaults : public testing::TestWithParam<FaultRow> {};

// A probe that requests a stop after a number of tries, as Ctrl-C between tries would.
class StoppingProbe : public PowerProbe {
 public:
  StoppingProbe(PowerProbe& inner, std::stop_source& stop, int after)
      : m_inner(inner), m_stop(stop), m_after(after) {}
  ProbeReading Measure(const ProbeRequest& r) override {
    if (--m_after == 0) m_stop.request_stop();
    return m_inner.Measure(r);
  }

 private:
  PowerProbe& m_inner;
  std::stop_source& m_stop;
  int m_after;
};

TEST_P(TableFaults, FailCleanly) {
  const FaultRow& row = GetParam();
  Bench bench(11, 0.005, 4, row.curve);
  bench.meter.failAfter = row.failAfter;
  std::stop_source stop;
  StoppingProbe probe(bench.meter, stop, row.stopAfter);
  const auto points =
      TableRun(bench.plan, probe, bench.clock).Run(bench.image, {Band::A, 1}, stop.get_token());
  ASSERT_EQ(points.size(), 16u);
  for (std::size_t i = 0; i < points.size(); ++i) {
    EXPECT_EQ(points[i].verdict, row.first[std::min(i, row.first.size() - 1)])
        << "point " << i << ": " << VerdictName(points[i].verdict).toStdString();
  }
  if (row.failAfter >= 0) {
    EXPECT_TRUE(points[0].detail.contains("Data corrupt"));
  }
  EXPECT_EQ(bench.image.ToBytes(), bench.before);
  ExpectWithinLimits(bench.meter, bench.plan);
}

using V = AlignVerdict;
INSTANTIATE_TEST_SUITE_P(
    Rows, TableFaults,
    testing::Values(
        FaultRow{"Flat", MeterModel::Curve::Flat, -1, -1, {V::NotRising}},
        FaultRow{"Falling", MeterModel::Curve::Falling, -1, -1, {V::NotRising}},
        FaultRow{
            "MeterFailsAtOnce", MeterModel::Curve::Saturating, 0, -1, {V::MeterError, V::NotTried}},
        FaultRow{"MeterFailsMidPoint",
                 MeterModel::Curve::Saturating,
                 2,
                 -1,
                 {V::MeterError, V::NotTried}},
        FaultRow{"CancelledMidPoint",
                 MeterModel::Curve::Saturating,
                 -1,
                 2,
                 {V::Cancelled, V::NotTried}}),
    [](const testing::TestParamInfo<FaultRow>& row) { return std::string(row.param.name); });

AlignReport RunTwoTables(unsigned seed, int failAfter = -1) {
  Bench bench(seed);
  bench.plan.points = AlignPlan::Points::InsideTransmitLimits;
  bench.meter.failAfter = failAfter;
  AlignReport report;
  report.program = "velmora-cli 1.0";
  report.radio = "radio, bench 2";
  AlignRun(bench.plan, bench.meter, bench.clock).Run(bench.image, {{0, 0}, {1, 2}}, report, {});
  EXPECT_EQ(bench.clock.waits.size(), failAfter < 0 ? 1u : 0u);
  if (!bench.clock.waits.empty()) {
    EXPECT_EQ(bench.clock.waits[0].count(), 10000);
  }
  return report;
}

TEST(AlignRun, SameSeedSameReport) {
  const AlignReport a = RunTwoTables(21);
  const AlignReport b = RunTwoTables(21);
  EXPECT_EQ(a.points.size(), 13u + 15u);  // inside the default transmit limits
  EXPECT_TRUE(a.AllAligned());
  EXPECT_EQ(a.ToJson(), b.ToJson());
  EXPECT_EQ(a.ToCsv(), b.ToCsv());
  EXPECT_NE(a.ToJson(), RunTwoTables(22).ToJson());
}

TEST(AlignRun, MeterFaultStopsTheTablesAfterIt) {
  const AlignReport report = RunTwoTables(23, 5);
  EXPECT_FALSE(report.AllAligned());
  for (const PointResult& p : report.points) {
    if (p.band == 1) {
      EXPECT_EQ(p.verdict, AlignVerdict::NotTried);
    }
  }
}

TEST(AlignReport, CsvRowsAndJsonTries) {
  AlignReport report;
  report.radio = "UV-5, \"bench\" 2";
  report.planSha256 = "ab12";
  report.start = QDateTime(QDate(2026, 3, 1), QTime(9, 30, 0, 250), Qt::UTC);
  PointResult p;
  p.band = 1;
  p.table = 1;
  p.point = 4;
  p.mhz = 420;
  p.target = {2.5, 2.375, 2.625};
  p.oldLevel = 90;
  p.newLevel = 97;
  p.confirmedWatts = 2.50004;
  p.verdict = AlignVerdict::Aligned;
  p.keyedSeconds = 1.2345;
  p.tries = {{report.start, 90, 2.31234, 0.6, true, {}},
             {report.start, 97, 2.49996, 0.6, true, {}},
             {report.start.addMSecs(600), 97, 2.50004, 0.6, false, {}}};
  report.points = {p};
  const QByteArray csv = report.ToCsv();
  const QList<QByteArray> rows = csv.split('\n');
  ASSERT_EQ(rows.size(), 3);  // header, one point, and nothing after the last CRLF
  EXPECT_EQ(rows[1].toStdString(),
            "\"UV-5, \"\"bench\"\" 2\",ab12,2026-03-01T09:30:00.250Z,B,middle,中功率,4,420,2.5,"
            "2.375,2.625,90,97,2.5,aligned,3,1.235,90:2.3123 97:2.5 97=2.5,2\r");
  const QJsonObject json = QJsonDocument::fromJson(report.ToJson()).object();
  const QJsonObject point = json["points"].toArray()[0].toObject();
  EXPECT_EQ(point["tries"].toArray()[2].toObject()["time"], "2026-03-01T09:30:00.850Z");
  EXPECT_EQ(point["tryCount"], 3);  // readings, and the live tunes among them
  EXPECT_EQ(point["liveTunes"], 2);
  EXPECT_EQ(point["tries"].toArray()[2].toObject()["live"], false);
  EXPECT_TRUE(json["backup"].isNull());
}

}  // namespace
}  // namespace velmora::test
