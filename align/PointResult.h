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

// One meter reading of a point: after a live tune of its level, or again while the radio still
// transmitted the level of the try before.
struct AlignTry {
  QDateTime time;
  int level = 0;
  double watts = 0;
  double keyedSeconds = 0;
  bool live = true;  // the level was sent for this reading
  QString fault;     // not empty: the meter read no power, `watts` means nothing
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
  std::vector<AlignTry> tries;  // every reading, in order, a failed one with its fault
  double keyedSeconds = 0;      // every try's, the failed one included
  double slope = 0;             // watts per level near the result, for the next point's first step

  int LiveTunes() const;
  // Where the target lies between levels, from the accepted level's readings and the slope.
  std::optional<double> SolvedLevel() const;
};

}  // namespace velmora
