#pragma once

#include <map>
#include <optional>
#include <stop_token>
#include <utility>
#include <vector>

#include "align/AlignClock.h"
#include "align/AlignPlan.h"
#include "align/PointResult.h"
#include "align/PowerProbe.h"

namespace velmora {

// Where a point's search begins, and the slope expected there when something predicts it.
struct PointStart {
  int level = 0;
  std::optional<double> slope;  // watts per level
};

// The keyed time a table may still spend; shared by the points of one table.
struct KeyedBudget {
  double limitSeconds = 0;
  double usedSeconds = 0;
  double longestTrySeconds = 0;  // what the next try is expected to cost at most
};

// Tunes one transmit point to its target: steps towards it (down through saturation), brackets
// it, narrows the bracket by secant and accepts a level only on two readings, the second taken
// while the radio still transmits it, never crossing the plan's limits.
class PointSearch {
 public:
  PointSearch(const AlignPlan& plan, PowerProbe& probe, AlignClock& clock);

  // `point` arrives with its place, target and old level filled in; returns it completed.
  PointResult Run(PointResult point, const PointStart& start, KeyedBudget& budget,
                  std::stop_token stop);

  // True once the plan asked for it or the radio stopped transmitting between two readings:
  // every confirming reading then follows a live tune of its own, for the rest of the run.
  bool ConfirmsByRetune() const { return m_confirmByRetune; }

 private:
  struct Next {
    enum class Kind { Key, Accept, Fail } kind;
    int level = 0;
    AlignVerdict verdict = AlignVerdict::Aligned;
  };

  std::optional<AlignVerdict> Halt(const PointResult& point, const KeyedBudget& budget,
                                   std::stop_token stop) const;
  ProbeReading Take(PointResult& point, int level, bool tune, KeyedBudget& budget);
  Next Decide(PointResult& point, const std::optional<double>& startSlope) const;
  Next Step(PointResult& point, const std::optional<double>& startSlope, int lo, int hi) const;
  double Mean(int level) const;
  bool NotRising(double target) const;
  bool Saturated(int level, double target) const;
  double SlopeFrom(int level, const std::optional<double>& startSlope) const;
  bool DropsToNothing(int level, const ProbeReading& reading) const;
  void LearnNoise(int level, double watts, double target);
  double NoiseWatts(double target) const;
  static bool Trusted(int a, int b, const std::optional<double>& startSlope);

  const AlignPlan& m_plan;
  PowerProbe& m_probe;
  AlignClock& m_clock;
  bool m_confirmByRetune = false;
  double m_pairSquares = 0;  // relative differences of repeated readings, squared and summed
  int m_pairs = 0;
  std::map<int, std::vector<double>> m_readings;   // by level, for the current point
  std::vector<std::pair<int, double>> m_sequence;  // (level, watts) as read, for the current point
};

}  // namespace velmora
