#include "align/PointSearch.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>

namespace velmora {
namespace {

// A higher level that reads less than 0.5 % above a level this far below it does not raise the
// power: far enough apart that meter noise cannot fake it on a sound curve.
constexpr int kRiseSpan = 8;
constexpr double kMinRise = 0.005;
constexpr double kMinSlope = 1e-6;  // watts per level; keeps a flat estimate finite

bool InWindow(const PowerTarget& t, double watts) {
  return watts >= t.minWatts && watts <= t.maxWatts;
}

// The middle half of the window: half-way from the target to each edge.
bool InInnerHalf(const PowerTarget& t, double watts) {
  return watts >= t.watts - (t.watts - t.minWatts) / 2 &&
         watts <= t.watts + (t.maxWatts - t.watts) / 2;
}

// The power expected at `level` from a reading at `from`: the larger of a straight line with the
// slope found and a growth with the square of the level, which no drive curve outruns at its foot.
double Predicted(double here, int from, int level, double slope) {
  const double line = here + slope * (level - from);
  if (from <= 0) return line;
  const double ratio = double(level) / from;
  return std::max(line, here * ratio * ratio);
}

// The meter's own words when it failed, or a reading no meter can give.
QString Fault(const ProbeReading& reading) {
  if (!reading.error.isEmpty()) return reading.error;
  if (reading.watts >= 0 && std::isfinite(reading.watts)) return {};
  return QStringLiteral("the meter read %1 W").arg(reading.watts);
}

}  // namespace

PointSearch::PointSearch(const AlignPlan& plan, PowerProbe& probe, AlignClock& clock)
    : m_plan(plan), m_probe(probe), m_clock(clock) {}

PointResult PointSearch::Run(PointResult point, const PointStart& start, KeyedBudget& budget,
                             std::stop_token stop) {
  m_readings.clear();
  point.newLevel = point.oldLevel;
  point.slope = start.slope.value_or(0);
  int level = std::clamp(start.level, 0, m_plan.safety.maxLevel);
  for (;;) {
    if (const auto halt = Halt(point, budget, stop)) {
      point.verdict = *halt;
      return point;
    }
    const QDateTime time = m_clock.Now();
    const ProbeReading reading =
        m_probe.Measure({point.band, point.table, point.point, point.mhz, level});
    point.keyedSeconds += reading.keyedSeconds;
    budget.usedSeconds += reading.keyedSeconds;
    budget.longestTrySeconds = std::max(budget.longestTrySeconds, reading.keyedSeconds);
    point.detail = Fault(reading);
    if (!point.detail.isEmpty()) {
      point.verdict = AlignVerdict::MeterError;
      return point;
    }
    point.tries.push_back({time, level, reading.watts, reading.keyedSeconds});
    m_readings[level].push_back(reading.watts);
    const Next next = Decide(point, start.slope);
    if (next.kind == Next::Kind::Accept) {
      point.newLevel = next.level;
      point.confirmedWatts = reading.watts;
      point.verdict = AlignVerdict::Aligned;
      return point;
    }
    if (next.kind == Next::Kind::Fail) {
      point.verdict = next.verdict;
      return point;
    }
    level = next.level;
  }
}

std::optional<AlignVerdict> PointSearch::Halt(const PointResult& point, const KeyedBudget& budget,
                                              std::stop_token stop) const {
  if (stop.stop_requested())
    return point.tries.empty() ? AlignVerdict::NotTried : AlignVerdict::Cancelled;
  if (static_cast<int>(point.tries.size()) >= m_plan.safety.maxTries) return AlignVerdict::TryLimit;
  // Stops before a try that could carry the table past its keyed time.
  if (budget.usedSeconds + budget.longestTrySeconds > budget.limitSeconds)
    return AlignVerdict::KeyedTimeLimit;
  return std::nullopt;
}

PointSearch::Next PointSearch::Decide(PointResult& point,
                                      const std::optional<double>& startSlope) const {
  if (NotRising()) return {Next::Kind::Fail, 0, AlignVerdict::NotRising};
  const PowerTarget& target = point.target;
  // The bracket: the highest level reading below the target and the lowest reading above it.
  std::optional<int> lo, hi;
  for (const auto& [level, readings] : m_readings) {
    if (Mean(level) < target.watts) lo = level;
    if (Mean(level) > target.watts && !hi) hi = level;
  }
  // Adjacent levels (or, in noise, crossed ones) around the target: the closer is the best the
  // radio can do, so its reading need only lie inside the window.
  std::optional<int> closer;
  if (lo && hi && *hi - *lo <= 1)
    closer = target.watts - Mean(*lo) <= Mean(*hi) - target.watts ? *lo : *hi;
  const auto inZone = [&](int level, double watts) {
    return InInnerHalf(target, watts) || (closer == level && InWindow(target, watts));
  };
  const AlignTry& last = point.tries.back();
  if (point.tries.size() >= 2) {
    const AlignTry& prev = point.tries[point.tries.size() - 2];
    if (prev.level == last.level && inZone(prev.level, prev.watts) && InWindow(target, last.watts))
      return {Next::Kind::Accept, last.level};
  }
  if (inZone(last.level, last.watts)) return {Next::Kind::Key, last.level};  // to confirm
  if (closer) {
    if (InWindow(target, Mean(*closer))) return {Next::Kind::Key, *closer};
    return {Next::Kind::Fail, 0, AlignVerdict::BetweenLevels};
  }
  return Step(point, startSlope, lo.value_or(-1), hi.value_or(-1));
}

PointSearch::Next PointSearch::Step(PointResult& point, const std::optional<double>& startSlope,
                                    int lo, int hi) const {
  const PowerTarget& target = point.target;
  const int from = point.tries.back().level;
  const double here = Mean(from);
  int level = 0;
  double slope = 0;
  if (lo >= 0 && hi >= 0) {  // secant inside the bracket
    slope = (Mean(hi) - Mean(lo)) / (hi - lo);
    level = std::clamp(lo + static_cast<int>(std::lround((target.watts - Mean(lo)) / slope)),
                       lo + 1, hi - 1);
  } else {
    slope = SlopeFrom(from, startSlope);
    // Bounded before rounding: a wild reading must not overflow the level arithmetic.
    const double steps = std::clamp((target.watts - here) / slope, -256.0, 256.0);
    const long rounded = std::lround(steps);
    level = from + static_cast<int>(rounded != 0 ? rounded : (steps > 0 ? 1 : -1));
  }
  point.slope = slope;
  const AlignPlan::Safety& safety = m_plan.safety;
  level = std::clamp(level, from - safety.maxStep, from + safety.maxStep);
  level = std::clamp(level, 0, safety.maxLevel);
  const double limit = m_plan.MaxRadioWatts();
  const double rise = std::max(slope, startSlope.value_or(0));
  // A window above what the meter may take cannot be reached without overdriving it.
  if (level > from && limit < target.minWatts)
    return {Next::Kind::Fail, 0, AlignVerdict::MeterInputLimit};
  const int wanted = level;
  while (level > from && Predicted(here, from, level, rise) > limit) --level;
  if (level == from)
    return {Next::Kind::Fail, 0,
            wanted > from ? AlignVerdict::MeterInputLimit : AlignVerdict::LevelLimit};
  return {Next::Kind::Key, level};
}

double PointSearch::Mean(int level) const {
  const std::vector<double>& r = m_readings.at(level);
  return std::accumulate(r.begin(), r.end(), 0.0) / static_cast<double>(r.size());
}

bool PointSearch::NotRising() const {
  for (auto a = m_readings.begin(); a != m_readings.end(); ++a) {
    for (auto b = std::next(a); b != m_readings.end(); ++b) {
      if (b->first - a->first >= kRiseSpan && Mean(b->first) < Mean(a->first) * (1 + kMinRise))
        return true;
    }
  }
  return false;
}

double PointSearch::SlopeFrom(int level, const std::optional<double>& startSlope) const {
  std::optional<int> other;  // the nearest other level tried
  for (const auto& [l, readings] : m_readings) {
    if (l != level && (!other || std::abs(l - level) < std::abs(*other - level))) other = l;
  }
  if (other) {
    const double secant = (Mean(level) - Mean(*other)) / (level - *other);
    if (secant > 0) return std::max(secant, kMinSlope);
  }
  if (startSlope && *startSlope > 0) return *startSlope;
  // Nothing measured yet: as if the power were proportional to the level.
  return std::max(Mean(level) / std::max(level, 1), kMinSlope);
}

}  // namespace velmora
