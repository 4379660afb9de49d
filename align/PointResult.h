#pragma once

#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

#include "align/AlignPlan.h"

namespace velmora {

// How a point's search ended.
enum class AlignVerdict {
  Aligned,          // confirmed inside its window
  TryLimit,         // the plan's tries ran out
  NotRising,        // the power does not rise with the level
  LevelLimit,       // the target lies beyond the plan's highest level (or below level 0)
  MeterInputLimit,  // the next level would overdrive the meter
  BetweenLevels,    // two adjacent levels bracket the target and neither is inside the window
  MeterError,       // the meter or the live tune failed
  KeyedTimeLimit,   // the table's keyed seconds ran out
  Cancelled,
  NotTried,  // the table stopped before this point
};

QString VerdictName(AlignVerdict verdict);

struct AlignTry {
  QDateTime time;
  int level = 0;
  double watts = 0;
  double keyedSeconds = 0;
};

struct PointResult {
  int band = 0;
  int table = 0;
  int point = 0;
  int mhz = 0;
  PowerTarget target;
  int oldLevel = 0;
  int newLevel = 0;  // the level the aligned image holds: the old one unless aligned
  std::optional<double> confirmedWatts;
  AlignVerdict verdict = AlignVerdict::NotTried;
  QString detail;               // the meter's own words on a meter error
  std::vector<AlignTry> tries;  // each with its reading; a try the meter failed is not one
  double keyedSeconds = 0;      // every try's, the failed one included
  double slope = 0;             // watts per level near the result, for the next point's first step
};

}  // namespace velmora
