#pragma once

#include <QDate>
#include <QString>
#include <ostream>
#include <string>

#include "align/AlignJobSettings.h"
#include "align/AlignOutcome.h"
#include "cli/CliArguments.h"
#include "transfer/HeldPort.h"

namespace velmora {

class AlignJob;

// The blocking steps `align --write` and `station` share: the meter chosen, the alignment run on
// a worker thread, the aligned image written back, and the run turned into a production record.
class AlignSteps {
 public:
  // The meter the run will use (--meter, else the plan's), checked without talking to it, with
  // the calibration due date kept with the bench meter's settings.
  static bool MeterSettings(const CliArguments& args, const AlignPlan& plan,
                            InstrumentSettings& meter, std::string& error);
  // Runs the job through CliRun on a worker; running points at the job meanwhile, for a caller's
  // own stop handler.
  static AlignOutcome RunJob(const AlignJobSettings& settings, const CalibrationImage& image,
                             std::ostream* progress, AlignJob*& running);
  // The aligned image into the radio just aligned, backup first and every block read back, on
  // the port held since the read when given; true when written and verified. The backup's path
  // and a failed write's outcome go into the report.
  static bool WriteAligned(AlignOutcome& outcome, std::ostream& out, std::ostream* progress,
                           HeldPort* held = nullptr);
  // "A high 3": a point as the operator names it.
  static QString PointName(const PointResult& p);
  // The points whose verdict is not aligned, named, comma-separated.
  static QString FailedPoints(const AlignReport& report);
};

}  // namespace velmora
