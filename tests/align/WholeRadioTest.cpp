#include <cmath>
#include <functional>

#include "AlignTestSupport.h"
#include "align/AlignRun.h"
#include "core/ImageLayout.h"

namespace velmora::test {
namespace {

// What the image holds in every transmit table before the run.
enum class Fill { Blank, Zeroed, FarOff, Factory };

struct RadioRow {
  const char* name;
  Fill fill;
  double noise;
  unsigned seed;
};

// The level whose true power is closest to the target on another radio of the same model.
int FactoryLevel(const MeterModel& sister, int band, int point, double watts) {
  int best = 0;
  for (int l = 1; l < 256; ++l) {
    if (std::abs(sister.TruePower(band, point, l) - watts) <
        std::abs(sister.TruePower(band, point, best) - watts))
      best = l;
  }
  return best;
}

void FillTables(CalibrationImage& image, const AlignPlan& plan, Fill fill, unsigned seed) {
  const MeterModel sister(seed + 1000, 0, 1);
  for (int b = 0; b < AlignPlan::kBands; ++b) {
    for (int t = 0; t < AlignPlan::kTransmitTables; ++t) {
      for (int k = 0; k < layout::kPointsPerTable; ++k) {
        const double watts = plan.targets[std::size_t(b)][std::size_t(t)]->watts;
        const int levels[] = {0xFF, 0, 100, FactoryLevel(sister, b, k, watts)};
        image.SetLevel(PointRef::From(b, t, k).value(),
                       static_cast<std::uint8_t>(levels[int(fill)]));
      }
    }
  }
}

class WholeRadio : public testing::TestWithParam<RadioRow> {};

constexpr int kRadios = 3;  // per row, from the row's seed on: the counts are means over them

// All 96 points of a few radios, both bands and every table, at the pace a production line
// needs: about one live tune and two readings a point, every point inside its window by its
// true power.
TEST_P(WholeRadio, AlignsEveryPointAtAboutOneTuneAPoint) {
  const RadioRow& row = GetParam();
  AlignPlan plan = ExamplePlan();
  plan.points = AlignPlan::Points::All;
  std::vector<AlignRun::Table> tables;
  for (int b = 0; b < AlignPlan::kBands; ++b)
    for (int t = 0; t < AlignPlan::kTransmitTables; ++t) tables.push_back({b, t});
  double tunes = 0, readings = 0, points = 0;
  for (unsigned seed = row.seed; seed < row.seed + kRadios; ++seed) {
    MeterModel meter(seed, row.noise, plan.meter.averaging);
    FakeClock clock;
    CalibrationImage image;
    image.LoadDefaults();
    FillTables(image, plan, row.fill, seed);
    AlignReport report;
    AlignRun(plan, meter, clock).Run(image, tables, report, {});
    ASSERT_EQ(report.points.size(), 96u);
    for (const PointResult& p : report.points) {
      const std::string where = "seed " + std::to_string(seed) + ", " + std::to_string(p.band) +
                                "/" + std::to_string(p.table) + "/" + std::to_string(p.point);
      EXPECT_EQ(p.verdict, AlignVerdict::Aligned) << where;
      const double truth = meter.TruePower(p.band, p.point, p.newLevel);
      EXPECT_GE(truth, p.target.minWatts) << where;
      EXPECT_LE(truth, p.target.maxWatts) << where;
    }
    ExpectWithinLimits(meter, plan);
    tunes += meter.liveTunes;
    readings += static_cast<double>(meter.requests.size());
    points += static_cast<double>(report.points.size());
  }
  EXPECT_LE(tunes / points, 1.3);
  EXPECT_LE(readings / points, 2.5);
}

INSTANTIATE_TEST_SUITE_P(Rows, WholeRadio,
                         testing::Values(RadioRow{"Blank", Fill::Blank, 0.005, 31},
                                         RadioRow{"BlankNoisy", Fill::Blank, 0.02, 34},
                                         RadioRow{"Zeroed", Fill::Zeroed, 0.005, 37},
                                         RadioRow{"ZeroedNoisy", Fill::Zeroed, 0.02, 40},
                                         RadioRow{"FarOff", Fill::FarOff, 0.005, 43},
                                         RadioRow{"FarOffNoisy", Fill::FarOff, 0.02, 46},
                                         RadioRow{"Factory", Fill::Factory, 0.005, 49},
                                         RadioRow{"FactoryNoisy", Fill::Factory, 0.02, 52}),
                         [](const testing::TestParamInfo<RadioRow>& row) {
                           return std::string(row.param.name);
                         });

}  // namespace
}  // namespace velmora::test
