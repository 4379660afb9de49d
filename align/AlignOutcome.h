#pragma once

#include <QString>
#include <vector>

#include "align/AlignReport.h"
#include "core/CalibrationImage.h"

namespace velmora {

// Where one try's time went, on the steady clock: the live job from its start to the closed
// port, the settling (the meter's frequency is set inside it) and the meter's one reading.
struct TryTiming {
  double liveSeconds = 0;
  double settleSeconds = 0;
  double readSeconds = 0;
};

// How an alignment job ended, with its report and the aligned image.
struct AlignOutcome {
  enum class Result { Aligned, PointsFailed, Cancelled, InstrumentError, TransferFailed };
  Result result = Result::TransferFailed;
  AlignReport report;              // filled as far as the run went
  CalibrationImage aligned;        // the start image with every aligned level in its table
  QString error;                   // for InstrumentError / TransferFailed: one line
  std::vector<TryTiming> timings;  // one per try, in order

  // "aligned", "points-failed", "cancelled", "instrument-error", "transfer-failed".
  static QString Name(Result result);

  AlignOutcome() = default;
  // The image is copied byte for byte; its busy flag stays clear.
  AlignOutcome(const AlignOutcome& other);
  AlignOutcome& operator=(const AlignOutcome& other);
};

}  // namespace velmora
