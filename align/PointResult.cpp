#include "align/PointResult.h"

#include <array>

namespace velmora {

QString VerdictName(AlignVerdict verdict) {
  static const std::array<const char*, 10> kNames = {
      "aligned",        "try-limit",   "not-rising",       "level-limit", "meter-input-limit",
      "between-levels", "meter-error", "keyed-time-limit", "cancelled",   "not-tried"};
  return QString::fromLatin1(kNames.at(static_cast<std::size_t>(verdict)));
}

}  // namespace velmora
