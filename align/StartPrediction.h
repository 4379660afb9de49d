#pragma once

#include <functional>
#include <map>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

#include "align/AlignPlan.h"
#include "align/PointResult.h"
#include "align/PointSearch.h"
#include "core/PointRef.h"

namespace velmora {

// A point's first try, predicted from what this radio has shown so far in the run: the points
// already aligned in its table (their level and its trend across the band, shaped like the
// tables done before), the same point in the tables done before (the same amplifier at another
// target), a level known for the point before the run, the stored level when it can be one, and
// last the same point of the same table in the other band.
class StartPrediction {
 public:
  // A level per point known before the run (such as the lot's median); nothing where none is.
  using Prior = std::function<std::optional<double>(const PointRef& at)>;

  explicit StartPrediction(const AlignPlan& plan, Prior prior = {});

  void SetPrior(Prior prior) { m_prior = std::move(prior); }
  // Takes in every reading of a settled point, and its solved level when it was aligned.
  void Learn(const PointResult& point);
  PointStart Predict(const PointRef& at, int stored) const;
  // A stored level a search may start from: inside the plan's limits and not blank or zero.
  bool Trusted(int stored) const;

 private:
  struct Solved {
    double level = 0;
    double slope = 0;
  };
  using Key = std::tuple<int, int, int>;  // band, table, point

  std::optional<PointStart> FromTable(int band, int table, int point) const;
  std::optional<PointStart> FromPoint(int band, int table, int point) const;
  std::optional<double> Shape(int band, int table, int point, int from) const;
  PointStart Clamped(double level, std::optional<double> slope) const;

  const AlignPlan& m_plan;
  Prior m_prior;
  std::map<Key, Solved> m_solved;
  std::map<std::pair<int, int>, std::map<int, std::vector<double>>> m_curves;  // (band, point)
};

}  // namespace velmora
