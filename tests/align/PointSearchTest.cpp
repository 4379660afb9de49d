#include <cmath>
#include <functional>
#include <numeric>
#include <string>
#include <thread>

#include "AlignTestSupport.h"
#include "align/PointSearch.h"
#include "align/SystemAlignClock.h"
#include "align/TableRun.h"
#include "core/ImageLayout.h"

namespace velmora::test {
namespace {

// A meter without noise over a given curve. Writes what reached the radio and the meter as
// "T<level>" for a live tune with its reading and "R<level>" for a reading alone.
class ScriptedProbe : public PowerProbe {
 public:
  explicit ScriptedProbe(std::function<double(int)> curve) : m_curve(std::move(curve)) {}
  ProbeReading Measure(const ProbeRequest& request) override { return Answer("T", request.level); }
  ProbeReading Reread(const ProbeRequest& request) override {
    if (dropReadings > 0) {  // the transmitter has stopped: nothing at the sensor
      --dropReadings;
      Log("R", request.level);
      return {0, 0.25, {}, true};
    }
    return Answer("R", request.level);
  }
  std::string wire;
  int dropReadings = 0;
  int faultAt = -1;  // the reading (from 0) the meter answers with an error

 private:
  void Log(const char* kind, int level) {
    wire += (wire.empty() ? "" : " ") + std::string(kind) + std::to_string(level);
  }
  ProbeReading Answer(const char* kind, int level) {
    Log(kind, level);
    if (m_count++ == faultAt) return {0, 0.25, "reading over range"};
    return {m_curve(level), 0.25, {}};
  }
  std::function<double(int)> m_curve;
  int m_count = 0;
};

struct SearchRow {
  const char* name;
  std::function<double(int)> curve;
  int stored;  // the point's level in the image before the run
  AlignVerdict verdict;
  const char* wire;  // every tune and reading, in order
  int newLevel;
  int dropReadings = 0;
  int faultAt = -1;
};

class PointSearchRows : public testing::TestWithParam<SearchRow> {};

// One point of band A's high table (5 W, 4.75..5.25, inner half 4.875..5.125) from its stored
// level, the way a table run starts it.
TEST_P(PointSearchRows, SendsThisSequence) {
  const SearchRow& row = GetParam();
  AlignPlan plan = ExamplePlan();
  plan.points = AlignPlan::Points::Listed;
  plan.listedPoints = {3};
  ScriptedProbe probe(row.curve);
  probe.dropReadings = row.dropReadings;
  probe.faultAt = row.faultAt;
  FakeClock clock;
  CalibrationImage image;
  image.LoadDefaults();
  image.SetLevel({Band::A, 0, 3}, static_cast<std::uint8_t>(row.stored));
  const std::vector<PointResult> points = TableRun(plan, probe, clock).Run(image, {Band::A, 0}, {});
  ASSERT_EQ(points.size(), 1u);
  const PointResult& done = points[0];
  EXPECT_EQ(done.verdict, row.verdict) << VerdictName(done.verdict).toStdString();
  EXPECT_EQ(probe.wire, row.wire);
  EXPECT_EQ(done.newLevel, row.newLevel);
  EXPECT_EQ(image.Level({Band::A, 0, 3}), row.newLevel);
  // Every reading is a try, a failed one included, and carries the keyed time it cost.
  const auto readings =
      static_cast<std::size_t>(std::count(probe.wire.begin(), probe.wire.end(), ' ') + 1);
  ASSERT_EQ(done.tries.size(), readings);
  EXPECT_EQ(done.LiveTunes(), std::count(probe.wire.begin(), probe.wire.end(), 'T'));
  const double keyed =
      std::accumulate(done.tries.begin(), done.tries.end(), 0.0,
                      [](double s, const AlignTry& t) { return s + t.keyedSeconds; });
  EXPECT_DOUBLE_EQ(done.keyedSeconds, keyed);
  EXPECT_DOUBLE_EQ(keyed, 0.25 * double(readings));
}

// A steep line through 4.7 W at level 100 and `perLevel` watts more per level.
std::function<double(int)> Line(double perLevel, double at100 = 4.7) {
  return [=](int level) { return std::max(0.01, at100 + perLevel * (level - 100)); };
}

// A smooth amplifier saturating at 5.6 W, 5 W near level 164: 5.56 W at 250, 5.49 W at 218.
double Saturating(int level) {
  const double x = level / 110.0;
  return 5.6 * (1 - std::exp(-x * x));
}

// An amplifier flat at 5.59 W from level 200 up, as a saturated one reads: 5 W near level 131.
double Flattening(int level) {
  const double x = level / 100.0;
  return 5.59 * (1 - std::exp(-x * x * x));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PointSearchRows,
    testing::Values(
        // Inside the inner half at the stored level: kept on a second reading, no second tune.
        SearchRow{"StoredLevelConfirmed", Line(0.05, 5.0), 100, AlignVerdict::Aligned, "T100 R100",
                  100},
        // 4.7 W at 100 → as if proportional, 6 levels up → bracket 100..106 → secant → 101.
        // 100 and 101 bracket 5 W at 4.7 and 5.3 W: equally far, neither in the window.
        SearchRow{"AdjacentLevelsOutsideWindow", Line(0.6), 100, AlignVerdict::BetweenLevels,
                  "T100 T106 T101", 100},
        // 4.8 and 5.4 W: the closer, 4.8 W, lies in the window though not in its inner half.
        SearchRow{"AdjacentLevelsTakeTheCloser", Line(0.6, 4.8), 100, AlignVerdict::Aligned,
                  "T100 T104 T101 T100 R100", 100},
        // Below the target and flat across more than 8 levels.
        SearchRow{"Flat", [](int) { return 1.0; }, 100, AlignVerdict::NotRising, "T100 T132", 100},
        // Below the target and falling as the level rises.
        SearchRow{"Falling", [](int l) { return 600.0 / l; }, 200, AlignVerdict::NotRising,
                  "T200 T232", 200},
        // Far above what the sensor takes: nothing more is keyed, and the try is kept.
        SearchRow{"OverTheMeterInput", [](int) { return 1e300; }, 100, AlignVerdict::MeterError,
                  "T100", 100},
        SearchRow{"ImpossibleReading", [](int) { return std::nan(""); }, 100,
                  AlignVerdict::MeterError, "T100", 100},
        SearchRow{"OverRangeOnTheSecondTry", Line(0.6), 100, AlignVerdict::MeterError, "T100 T106",
                  100, 0, 1},
        SearchRow{"BeyondHighestLevel", [](int l) { return l / 60.0; }, 100,
                  AlignVerdict::LevelLimit, "T100 T132 T164 T196 T228 T250", 100},
        // The highest level allowed reads 4.81 W: below the target, inside the window, the best.
        SearchRow{"HighestLevelInsideTheWindow", [](int l) { return l / 52.0; }, 240,
                  AlignVerdict::Aligned, "T240 T250 R250", 250},
        // Saturated at the stored level: flat above the target is no fault, steps down to it.
        SearchRow{"SaturatedStart", Flattening, 250, AlignVerdict::Aligned,
                  "T250 T224 T192 T160 T128 R128", 128},
        // Blank and zeroed levels are no start: from the middle of the allowed levels instead.
        SearchRow{"BlankStart", Saturating, 0xFF, AlignVerdict::Aligned, "T125 T154 T161 R161",
                  161},
        SearchRow{"ZeroedStart", Saturating, 0, AlignVerdict::Aligned, "T125 T154 T161 R161", 161},
        // A stored level far off is a start all the same; confirmed without a second tune.
        SearchRow{"FarOffStart", Saturating, 40, AlignVerdict::Aligned,
                  "T40 T72 T104 T136 T154 T162 R162", 162},
        // The transmitter stopped before the confirming reading: the level is sent again.
        SearchRow{"StopsTransmittingBetweenReadings", Line(0.05, 5.0), 100, AlignVerdict::Aligned,
                  "T100 R100 T100", 100, 1}),
    [](const testing::TestParamInfo<SearchRow>& row) { return std::string(row.param.name); });

struct ConfirmRow {
  const char* name;
  AlignPlan::Confirm confirm;
  int dropReadings;
  const char* wire;
};

class ConfirmRows : public testing::TestWithParam<ConfirmRow> {};

// Two points read at their first level: once the radio has been seen to stop, and when the plan
// asks for it, every confirming reading follows a tune of its own.
TEST_P(ConfirmRows, ConfirmsThisWay) {
  const ConfirmRow& row = GetParam();
  AlignPlan plan = ExamplePlan();
  plan.points = AlignPlan::Points::Listed;
  plan.listedPoints = {0, 1};
  plan.confirm = row.confirm;
  ScriptedProbe probe(Line(0.05, 5.0));
  probe.dropReadings = row.dropReadings;
  FakeClock clock;
  CalibrationImage image;
  image.LoadDefaults();
  image.SetLevel({Band::A, 0, 0}, 100);
  image.SetLevel({Band::A, 0, 1}, 100);
  for (const PointResult& p : TableRun(plan, probe, clock).Run(image, {Band::A, 0}, {}))
    EXPECT_EQ(p.verdict, AlignVerdict::Aligned);
  EXPECT_EQ(probe.wire, row.wire);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ConfirmRows,
    testing::Values(ConfirmRow{"ByReading", AlignPlan::Confirm::Reading, 0, "T100 R100 T100 R100"},
                    ConfirmRow{"ByRetune", AlignPlan::Confirm::Retune, 0, "T100 T100 T100 T100"},
                    ConfirmRow{"AfterTheRadioStopped", AlignPlan::Confirm::Reading, 1,
                               "T100 R100 T100 T100 T100"}),
    [](const testing::TestParamInfo<ConfirmRow>& row) { return std::string(row.param.name); });

TEST(SystemAlignClock, StopEndsTheCoolDown) {
  SystemAlignClock clock;
  std::stop_source stop;
  EXPECT_TRUE(clock.Wait(std::chrono::milliseconds(1), stop.get_token()));
  std::jthread stopper([&stop] { stop.request_stop(); });
  EXPECT_FALSE(clock.Wait(std::chrono::hours(1), stop.get_token()));
}

}  // namespace
}  // namespace velmora::test
