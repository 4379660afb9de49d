#include "sim/SimulatedLot.h"

#include <algorithm>
#include <cmath>
#include <random>

#include "model/PowerCurve.h"

namespace velmora::sim {
namespace {

constexpr int kPointsPerTable = 16;
constexpr int kTables = 3;
constexpr double kBandLowMHz[] = {136.0, 400.0};
constexpr double kBandHighMHz[] = {174.0, 480.0};
// Targets every radio of the lot reaches below saturation, with a ±5 % window: high, middle, low.
constexpr double kTargetWatts[kTables] = {4.0, 2.0, 0.5};
constexpr double kWindowShare = 0.05;
constexpr int kMaxLevel = 250;

double Watts(const meter::PowerCurve& curve, double mhz, double level, double knee) {
  const double x = level / (curve.KneeLevel(mhz) * knee);
  return curve.SaturationWatts(mhz) * (1.0 - std::exp(-x * x));
}

}  // namespace

std::vector<LotPlanPoint> SimulatedLot::Plan() {
  std::vector<LotPlanPoint> plan;
  for (int band = 0; band < 2; ++band) {
    for (int table = 0; table < kTables; ++table) {
      for (int point = 0; point < kPointsPerTable; ++point) {
        const double span = kBandHighMHz[band] - kBandLowMHz[band];
        const double mhz = kBandLowMHz[band] + span * point / (kPointsPerTable - 1);
        const double target = kTargetWatts[table];
        plan.push_back({band, table, point, mhz, target, target * kWindowShare});
      }
    }
  }
  return plan;
}

std::vector<LotAlignedPoint> SimulatedLot::Align(const LotRadioSetup& radio,
                                                 const std::vector<LotPlanPoint>& plan) {
  const meter::PowerCurve curve(radio.seed);
  // The meter's noise differs per radio but is the same every time this radio is made.
  std::mt19937_64 random(radio.seed ^ 0x5EED0F107ull);
  std::normal_distribution<double> noise(0.0, kMeterNoise);
  std::uniform_int_distribution<int> extraTunes(0, 2);
  const double seen = std::pow(10.0, -radio.pathLossDb / 10.0);
  std::vector<LotAlignedPoint> aligned;
  for (const LotPlanPoint& p : plan) {
    auto reading = [&](int level) {
      return Watts(curve, p.mhz, level, radio.kneeFactor) * seen * (1.0 + noise(random));
    };
    // The level whose power at the sensor is the target, then the nearer of its two neighbours
    // as the noisy readings see them.
    const double share = std::min(p.targetWatts / (curve.SaturationWatts(p.mhz) * seen), 0.999);
    const double exact = curve.KneeLevel(p.mhz) * radio.kneeFactor * std::sqrt(-std::log1p(-share));
    const int below = std::clamp(int(std::floor(exact)), 0, kMaxLevel);
    const int above = std::min(below + 1, kMaxLevel);
    const bool takeAbove =
        std::abs(reading(above) - p.targetWatts) < std::abs(reading(below) - p.targetWatts);
    const int level = takeAbove ? above : below;
    aligned.push_back({p, level, reading(level), 2 + extraTunes(random)});
  }
  return aligned;
}

}  // namespace velmora::sim
