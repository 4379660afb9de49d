#pragma once

#include <map>
#include <optional>
#include <stop_token>
#include <vector>

#include "align/AlignClock.h"
#include "align/AlignPlan.h"
#include "align/PointResult.h"
#include "align/PowerProbe.h"

namespace velmora {

// Where a point's search begins: the stored level, or from the second point of a table on the
// neighbour's result with the slope found there.
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

// Tunes one transmit point to its target: steps towards it, brackets it, narrows the bracket
// by secant and accepts a level only on two readings, never crossing the plan's limits.
class PointSearch {
 public:
  PointSearch(const AlignPlan& plan, PowerProbe& probe, AlignClock& clock);

  // `point` arrives with its place, target and old level filled in; returns it completed.
  PointResult Run(PointResult point, const PointStart& start, KeyedBudget& budget,
                  std::stop_token stop);

 private:
  struct Next {
    enum class Kind { Key, Accept, Fail } kind;
    int level = 0;
    AlignVerdict verdict = AlignVerdict::Aligned;
  };

  std::optional<AlignVerdict> Halt(const PointResult& point, const KeyedBudget& budget,
                                   std::stop_token stop) const;
  Next Decide(PointResult& point, const std::optional<double>& startSlope) const;
  Next Step(PointResult& point, const std::optional<double>& startSlope, int lo, int hi) const;
  double Mean(int level) const;
  bool NotRising() const;
  double SlopeFrom(int level, const std::optional<double>& startSlope) const;

  const AlignPlan& m_plan;
  PowerProbe& m_probe;
  AlignClock& m_clock;
  std::map<int, std::vector<double>> m_readings;  // by level, for the current point
};

}  // namespace velmora
