#include "align/StartPrediction.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace velmora {
namespace {

constexpr int kTrendPoints = 2;  // the aligned points a table's trend is drawn through

double Mean(const std::vector<double>& v) {
  return std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size());
}

// The least-squares line through (x, y), read at x0; the mean alone for one point.
double LineAt(const std::vector<std::pair<double, double>>& xy, double x0) {
  double mx = 0, my = 0;
  for (const auto& [x, y] : xy) {
    mx += x;
    my += y;
  }
  mx /= static_cast<double>(xy.size());
  my /= static_cast<double>(xy.size());
  double sxy = 0, sxx = 0;
  for (const auto& [x, y] : xy) {
    sxy += (x - mx) * (y - my);
    sxx += (x - mx) * (x - mx);
  }
  return sxx > 0 ? my + sxy / sxx * (x0 - mx) : my;
}

// How fast the power grows with the level towards the target, as an exponent: from two readings
// above it where there are two, else with the square of the level, as at the foot of a drive
// curve; never slower than in proportion nor faster than with the square.
double PowerExponent(const std::pair<int, double>& near,
                     const std::optional<std::pair<int, double>>& next) {
  constexpr double kSquare = 2;
  if (!next || next->second <= near.second) return kSquare;
  const double n =
      std::log(next->second / near.second) / std::log(double(next->first) / near.first);
  return std::clamp(n, 1.0, kSquare);
}

}  // namespace

StartPrediction::StartPrediction(const AlignPlan& plan, Prior prior)
    : m_plan(plan), m_prior(std::move(prior)) {}

bool StartPrediction::Trusted(int stored) const {
  return stored > 0 && stored <= m_plan.safety.maxLevel;
}

void StartPrediction::Learn(const PointResult& point) {
  auto& curve = m_curves[{point.band, point.point}];
  for (const AlignTry& t : point.tries) {
    if (t.fault.isEmpty()) curve[t.level].push_back(t.watts);
  }
  if (const auto solved = point.SolvedLevel())
    m_solved[{point.band, point.table, point.point}] = {*solved, point.slope};
}

PointStart StartPrediction::Predict(const PointRef& at, int stored) const {
  const int band = BandIndex(at.band()), table = at.table(), point = at.point();
  if (auto start = FromTable(band, table, point)) return *start;
  if (auto start = FromPoint(band, table, point)) return *start;
  if (m_prior) {
    if (const auto level = m_prior(at)) return Clamped(*level, std::nullopt);
  }
  if (Trusted(stored)) return {stored, std::nullopt};
  const auto other = m_solved.find({1 - band, table, point});
  if (other != m_solved.end()) return Clamped(other->second.level, std::nullopt);
  return Clamped(m_plan.safety.maxLevel / 2.0, std::nullopt);
}

// From the nearest points aligned in the table: the nearest one shaped as another table changes
// between the two points, or else the line through the nearest few.
std::optional<PointStart> StartPrediction::FromTable(int band, int table, int point) const {
  std::vector<std::pair<int, Solved>> done;
  for (const auto& [key, solved] : m_solved) {
    const auto [b, t, k] = key;
    if (b == band && t == table && k != point) done.emplace_back(k, solved);
  }
  if (done.empty()) return std::nullopt;
  std::sort(done.begin(), done.end(), [point](const auto& a, const auto& b) {
    return std::abs(a.first - point) < std::abs(b.first - point);
  });
  const auto& [nearest, solved] = done.front();
  const std::optional<double> slope = solved.slope > 0 ? std::optional(solved.slope) : std::nullopt;
  if (const auto ratio = Shape(band, table, point, nearest))
    return Clamped(solved.level * *ratio, slope);
  std::vector<std::pair<double, double>> xy;
  for (std::size_t i = 0; i < done.size() && i < std::size_t(kTrendPoints); ++i)
    xy.emplace_back(done[i].first, done[i].second.level);
  return Clamped(LineAt(xy, point), slope);
}

// How another table's solved level changes from point `from` to `point`, as a ratio.
std::optional<double> StartPrediction::Shape(int band, int table, int point, int from) const {
  std::vector<double> ratios;
  for (int t = 0; t < AlignPlan::kTransmitTables; ++t) {
    if (t == table) continue;
    const auto to = m_solved.find({band, t, point});
    const auto at = m_solved.find({band, t, from});
    if (to != m_solved.end() && at != m_solved.end() && at->second.level > 0)
      ratios.push_back(to->second.level / at->second.level);
  }
  if (ratios.empty()) return std::nullopt;
  return Mean(ratios);
}

// From the readings this point gave in other tables: between the two that bracket the target,
// or growing with the square of the level from the nearest one, as at the foot of a drive curve.
std::optional<PointStart> StartPrediction::FromPoint(int band, int table, int point) const {
  const auto curve = m_curves.find({band, point});
  const auto& target = m_plan.targets.at(std::size_t(band)).at(std::size_t(table));
  if (curve == m_curves.end() || !target) return std::nullopt;
  std::optional<std::pair<int, double>> below, above, next;  // next: beyond the nearest above
  for (const auto& [level, readings] : curve->second) {
    const double watts = Mean(readings);
    if (watts < target->watts) below = {level, watts};
    if (watts >= target->watts && above && !next) next = {level, watts};
    if (watts >= target->watts && !above) above = {level, watts};
  }
  if (below && above) {
    const double slope = (above->second - below->second) / (above->first - below->first);
    if (slope > 0) return Clamped(below->first + (target->watts - below->second) / slope, slope);
  }
  const auto& near = above ? above : below;
  if (!near || near->second <= 0) return std::nullopt;
  return Clamped(
      near->first * std::pow(target->watts / near->second, 1 / PowerExponent(*near, next)),
      std::nullopt);
}

PointStart StartPrediction::Clamped(double level, std::optional<double> slope) const {
  const long rounded = std::lround(std::clamp(level, 1.0, double(m_plan.safety.maxLevel)));
  return {static_cast<int>(rounded), slope};
}

}  // namespace velmora
