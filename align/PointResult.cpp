#include "align/PointResult.h"

#include <algorithm>
#include <array>

namespace velmora {

QString VerdictName(AlignVerdict verdict) {
  static const std::array<const char*, 10> kNames = {
      "aligned",        "try-limit",   "not-rising",       "level-limit", "meter-input-limit",
      "between-levels", "meter-error", "keyed-time-limit", "cancelled",   "not-tried"};
  return QString::fromLatin1(kNames.at(static_cast<std::size_t>(verdict)));
}

int PointResult::LiveTunes() const {
  return static_cast<int>(
      std::count_if(tries.begin(), tries.end(), [](const AlignTry& t) { return t.live; }));
}

std::optional<double> PointResult::SolvedLevel() const {
  if (verdict != AlignVerdict::Aligned) return std::nullopt;
  double sum = 0;
  int count = 0;
  for (const AlignTry& t : tries) {
    if (t.level == newLevel && t.fault.isEmpty()) {
      sum += t.watts;
      ++count;
    }
  }
  if (count == 0 || slope <= 0) return newLevel;
  // A flat slope estimate must not carry the solution far from what was measured.
  constexpr double kMostShift = 16;
  const double shift = std::clamp((target.watts - sum / count) / slope, -kMostShift, kMostShift);
  return newLevel + shift;
}

}  // namespace velmora
