#pragma once

#include <cstdint>
#include <vector>

namespace velmora::sim {

// One transmit point of the simulated lot's plan: where it is and the power it is aligned to.
struct LotPlanPoint {
  int band = 0;  // 0: A, 1: B
  int table = 0;
  int point = 0;
  double mhz = 0;
  double targetWatts = 0;
  double windowWatts = 0;  // half the width of the accepted readings
};

// A radio of the lot: its own power curve, and what differs on its bench or in its amplifier.
struct LotRadioSetup {
  std::uint64_t seed = 0;
  double pathLossDb = 0;    // extra loss between the radio and the sensor (a cable, an attenuator)
  double kneeFactor = 1.0;  // an amplifier unlike its lot: its knee this many times the curve's
};

// What alignment left at one point.
struct LotAlignedPoint {
  LotPlanPoint where;
  int level = 0;
  double confirmedWatts = 0;
  int liveTunes = 0;
};

// A production lot computed instead of searched: each point's level is the one the search settles
// on against the simulator's power curve, read through the meter's noise and the bench's path
// loss, so that hundreds of radios take milliseconds rather than hours of simulated keying.
class SimulatedLot {
 public:
  static constexpr double kMeterNoise = 0.0025;  // the simulated meter's at the plan's averaging

  // Both bands, three tables, sixteen points spread over each band's transmit range.
  static std::vector<LotPlanPoint> Plan();
  static std::vector<LotAlignedPoint> Align(const LotRadioSetup& radio,
                                            const std::vector<LotPlanPoint>& plan);
};

}  // namespace velmora::sim
