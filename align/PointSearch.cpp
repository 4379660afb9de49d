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
// A higher level reading a tenth less falls: more than noise or a saturated amplifier explains.
constexpr double kMinFall = 0.1;
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

// The meter's own words when it failed, or a reading no meter can give or should be given.
QString Fault(const ProbeReading& reading, double mostWatts) {
  if (!reading.error.isEmpty()) return reading.error;
  if (reading.noSignal) return QStringLiteral("no signal at the sensor");
  if (reading.watts > mostWatts && std::isfinite(reading.watts))
    return QStringLiteral("the meter read %1 W, above its input limit").arg(reading.watts);
  if (reading.watts >= 0 && std::isfinite(reading.watts)) return {};
  return QStringLiteral("the meter read %1 W").arg(reading.watts);
}

}  // namespace

PointSearch::PointSearch(const AlignPlan& plan, PowerProbe& probe, AlignClock& clock)
    : m_plan(plan),
      m_probe(probe),
      m_clock(clock),
      m_confirmByRetune(plan.confirm == AlignPlan::Confirm::Retune) {}

PointResult PointSearch::Run(PointResult point, const PointStart& start, KeyedBudget& budget,
                             std::stop_token stop) {
  m_readings.clear();
  m_sequence.clear();
  point.newLevel = point.oldLevel;
  point.slope = start.slope.value_or(0);
  int level = std::clamp(start.level, 0, m_plan.safety.maxLevel);
  bool tune = true;
  for (;;) {
    if (const auto halt = Halt(point, budget, stop)) {
      point.verdict = *halt;
      return point;
    }
    const ProbeReading reading = Take(point, level, tune, budget);
    if (!tune && DropsToNothing(level, reading)) {
      // The transmitter stopped after a real reading: send the level again, and keep so.
      point.tries.back().fault = QStringLiteral("no signal at the sensor");
      m_confirmByRetune = tune = true;
      continue;
    }
    point.detail = point.tries.back().fault;
    if (!point.detail.isEmpty()) {
      point.verdict = AlignVerdict::MeterError;
      return point;
    }
    LearnNoise(level, reading.watts, point.target.watts);
    m_readings[level].push_back(reading.watts);
    m_sequence.emplace_back(level, reading.watts);
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
    tune = next.level != level || m_confirmByRetune;
    level = next.level;
  }
}

// One reading, recorded as a try whatever it read: its keyed time was spent either way.
ProbeReading PointSearch::Take(PointResult& point, int level, bool tune, KeyedBudget& budget) {
  const QDateTime time = m_clock.Now();
  const ProbeRequest request{point.band, point.table, point.point, point.mhz, level};
  const ProbeReading reading = tune ? m_probe.Measure(request) : m_probe.Reread(request);
  point.keyedSeconds += reading.keyedSeconds;
  budget.usedSeconds += reading.keyedSeconds;
  budget.longestTrySeconds = std::max(budget.longestTrySeconds, reading.keyedSeconds);
  point.tries.push_back({time, level, reading.watts, reading.keyedSeconds, tune,
                         Fault(reading, m_plan.MaxRadioWatts())});
  return reading;
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
  if (NotRising(point.target.watts)) return {Next::Kind::Fail, 0, AlignVerdict::NotRising};
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
  // The highest level allowed still reads below the target: no level comes closer.
  const bool atTop = lo == m_plan.safety.maxLevel && InWindow(target, Mean(*lo));
  if (atTop) closer = lo;
  const auto inZone = [&](int level, double watts) {
    return InInnerHalf(target, watts) || (closer == level && InWindow(target, watts));
  };
  const auto [lastLevel, lastWatts] = m_sequence.back();
  if (m_sequence.size() >= 2) {
    const auto [prevLevel, prevWatts] = m_sequence[m_sequence.size() - 2];
    const bool again = prevLevel == lastLevel && InWindow(target, lastWatts);
    if (again && inZone(prevLevel, prevWatts)) return {Next::Kind::Accept, lastLevel};
    if (again && InWindow(target, prevWatts) && InInnerHalf(target, Mean(lastLevel)))
      return {Next::Kind::Accept, lastLevel};
  }
  if (inZone(lastLevel, lastWatts)) return {Next::Kind::Key, lastLevel};  // to confirm
  // Just outside the inner half by no more than the meter's noise: a second reading is cheaper
  // than a new tune and tells which.
  if (m_readings.at(lastLevel).size() == 1 && InWindow(target, lastWatts) &&
      std::abs(lastWatts - target.watts) <
          (target.maxWatts - target.minWatts) / 4 + 2 * NoiseWatts(target.watts))
    return {Next::Kind::Key, lastLevel};
  if (closer) {
    if (InWindow(target, Mean(*closer))) return {Next::Kind::Key, *closer};
    return {Next::Kind::Fail, 0, AlignVerdict::BetweenLevels};
  }
  return Step(point, startSlope, lo.value_or(-1), hi.value_or(-1));
}

PointSearch::Next PointSearch::Step(PointResult& point, const std::optional<double>& startSlope,
                                    int lo, int hi) const {
  const PowerTarget& target = point.target;
  const int from = m_sequence.back().first;
  const double here = Mean(from);
  int level = 0;
  double slope = 0;
  if (lo >= 0 && hi >= 0) {  // secant inside the bracket
    slope = Trusted(lo, hi, startSlope) ? (Mean(hi) - Mean(lo)) / (hi - lo) : *startSlope;
    level = std::clamp(lo + static_cast<int>(std::lround((target.watts - Mean(lo)) / slope)),
                       lo + 1, hi - 1);
  } else if (Saturated(from, target.watts)) {
    level = from - m_plan.safety.maxStep;
    slope = startSlope.value_or(0);
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

// Flat below the target, or falling: no level of this point reaches it. Flat above the target is
// a saturated amplifier, which lower levels bring back into its rising part.
bool PointSearch::NotRising(double target) const {
  for (auto a = m_readings.begin(); a != m_readings.end(); ++a) {
    for (auto b = std::next(a); b != m_readings.end(); ++b) {
      if (b->first - a->first < kRiseSpan) continue;
      const double low = Mean(a->first), high = Mean(b->first);
      if (high < low * (1 - kMinFall)) return true;
      if (high < low * (1 + kMinRise) && !(low > target && high > target)) return true;
    }
  }
  return false;
}

// Above the target with a level far enough above it that reads no more.
bool PointSearch::Saturated(int level, double target) const {
  const double here = Mean(level);
  if (here <= target) return false;
  return std::any_of(m_readings.upper_bound(level + kRiseSpan - 1), m_readings.end(),
                     [&](const auto& r) { return Mean(r.first) < here * (1 + kMinRise); });
}

double PointSearch::SlopeFrom(int level, const std::optional<double>& startSlope) const {
  std::optional<int> other;  // the nearest other level tried
  for (const auto& [l, readings] : m_readings) {
    if (l != level && (!other || std::abs(l - level) < std::abs(*other - level))) other = l;
  }
  if (other && Trusted(level, *other, startSlope)) {
    const double secant = (Mean(level) - Mean(*other)) / (level - *other);
    if (secant > 0) return std::max(secant, kMinSlope);
  }
  if (startSlope && *startSlope > 0) return *startSlope;
  // Nothing measured yet: as if the power were proportional to the level.
  return std::max(Mean(level) / std::max(level, 1), kMinSlope);
}

// Nothing at the sensor, or a reading 20 dB under what the same level read a moment ago: far
// more than any amplifier drifts, so the radio is no longer transmitting.
bool PointSearch::DropsToNothing(int level, const ProbeReading& reading) const {
  constexpr double kDropRatio = 0.01;
  if (reading.noSignal) return true;
  const auto here = m_readings.find(level);
  return reading.error.isEmpty() && here != m_readings.end() && std::isfinite(reading.watts) &&
         reading.watts < Mean(level) * kDropRatio;
}

// Two readings in a row at one level differ by the meter's noise alone.
void PointSearch::LearnNoise(int level, double watts, double target) {
  if (m_sequence.empty() || m_sequence.back().first != level) return;
  const double d = (watts - m_sequence.back().second) / target;
  m_pairSquares += d * d;
  ++m_pairs;
}

// The meter's noise on one reading near the target, from the pairs seen in the run; none until
// a few were seen.
double PointSearch::NoiseWatts(double target) const {
  constexpr int kFewestPairs = 4;
  if (m_pairs < kFewestPairs) return 0;
  return std::sqrt(m_pairSquares / m_pairs / 2) * target;
}

// Noise on two readings a few levels apart swamps their secant; the slope found at the
// neighbouring point is then the better guess.
bool PointSearch::Trusted(int a, int b, const std::optional<double>& startSlope) {
  return std::abs(a - b) >= kRiseSpan || !startSlope || *startSlope <= 0;
}

}  // namespace velmora
