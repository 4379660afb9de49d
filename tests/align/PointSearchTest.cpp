#include <cmath>
#include <functional>
#include <thread>

#include "AlignTestSupport.h"
#include "align/PointSearch.h"
#include "align/SystemAlignClock.h"

namespace velmora::test {
namespace {

// A meter without noise over a given curve, or failing from a given try on.
class ScriptedProbe : public PowerProbe {
 public:
  explicit ScriptedProbe(std::function<double(int)> curve) : m_curve(std::move(curve)) {}
  ProbeReading Measure(const ProbeRequest& request) override {
    levels.push_back(request.level);
    return {m_curve(request.level), 0.25, {}};
  }
  std::vector<int> levels;

 private:
  std::function<double(int)> m_curve;
};

struct SearchRow {
  const char* name;
  std::function<double(int)> curve;
  int start;
  AlignVerdict verdict;
  std::vector<int> levels;  // every level sent, in order
  int newLevel;
};

class PointSearchRows : public testing::TestWithParam<SearchRow> {};

TEST_P(PointSearchRows, SendsTheseLevels) {
  const SearchRow& row = GetParam();
  const AlignPlan plan = ExamplePlan();  // high: 5 W, 4.75..5.25, inner half 4.875..5.125
  ScriptedProbe probe(row.curve);
  FakeClock clock;
  PointSearch search(plan, probe, clock);
  KeyedBudget budget{60};
  PointResult point;
  point.target = *plan.targets[0][0];
  point.oldLevel = row.start;
  const PointResult done = search.Run(point, {row.start, std::nullopt}, budget, {});
  EXPECT_EQ(done.verdict, row.verdict) << VerdictName(done.verdict).toStdString();
  EXPECT_EQ(probe.levels, row.levels);
  EXPECT_EQ(done.newLevel, row.newLevel);
  EXPECT_EQ(done.tries.size(), done.verdict == AlignVerdict::MeterError ? 0 : row.levels.size());
  EXPECT_DOUBLE_EQ(budget.usedSeconds, 0.25 * double(row.levels.size()));
}

// A steep line through 4.7 W at level 100 and `perLevel` watts more per level.
std::function<double(int)> Line(double perLevel, double at100 = 4.7) {
  return [=](int level) { return std::max(0.01, at100 + perLevel * (level - 100)); };
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PointSearchRows,
    testing::Values(
        // Read twice inside the inner half at the stored level: kept.
        SearchRow{
            "StoredLevelConfirmed", Line(0.05, 5.0), 100, AlignVerdict::Aligned, {100, 100}, 100},
        // 4.7 W at 100 → as if proportional, 6 levels up → bracket 100..106 → secant → 101.
        // 100 and 101 bracket 5 W at 4.7 and 5.3 W: equally far, neither in the window.
        SearchRow{"AdjacentLevelsOutsideWindow",
                  Line(0.6),
                  100,
                  AlignVerdict::BetweenLevels,
                  {100, 106, 101},
                  100},
        // 4.8 and 5.4 W: the closer, 4.8 W, lies in the window though not in its inner half.
        SearchRow{"AdjacentLevelsTakeTheCloser",
                  Line(0.6, 4.8),
                  100,
                  AlignVerdict::Aligned,
                  {100, 104, 101, 100, 100},
                  100},
        // Rises nowhere: one step up, no rise over 8 levels or more.
        SearchRow{"Flat", [](int) { return 1.0; }, 100, AlignVerdict::NotRising, {100, 132}, 100},
        SearchRow{"Falling",
                  [](int l) { return 600.0 / l; },
                  200,
                  AlignVerdict::NotRising,
                  {200, 232},
                  200},
        // Needs level 300: climbs by the largest step to the highest level and stops there.
        SearchRow{
            "WildReading", [](int) { return 1e300; }, 100, AlignVerdict::NotRising, {100, 68}, 100},
        SearchRow{"ImpossibleReading",
                  [](int) { return std::nan(""); },
                  100,
                  AlignVerdict::MeterError,
                  {100},
                  100},
        SearchRow{"BeyondHighestLevel",
                  [](int l) { return l / 60.0; },
                  100,
                  AlignVerdict::LevelLimit,
                  {100, 132, 164, 196, 228, 250},
                  100}),
    [](const testing::TestParamInfo<SearchRow>& row) { return std::string(row.param.name); });

TEST(SystemAlignClock, StopEndsTheCoolDown) {
  SystemAlignClock clock;
  std::stop_source stop;
  EXPECT_TRUE(clock.Wait(std::chrono::milliseconds(1), stop.get_token()));
  std::jthread stopper([&stop] { stop.request_stop(); });
  EXPECT_FALSE(clock.Wait(std::chrono::hours(1), stop.get_token()));
}

}  // namespace
}  // namespace velmora::test
