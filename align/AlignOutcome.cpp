#include "align/AlignOutcome.h"

namespace velmora {

QString AlignOutcome::Name(Result result) {
  switch (result) {
    case Result::Aligned:
      return QStringLiteral("aligned");
    case Result::PointsFailed:
      return QStringLiteral("points-failed");
    case Result::Cancelled:
      return QStringLiteral("cancelled");
    case Result::InstrumentError:
      return QStringLiteral("instrument-error");
    case Result::TransferFailed:
      break;
  }
  return QStringLiteral("transfer-failed");
}

AlignOutcome::AlignOutcome(const AlignOutcome& other) { *this = other; }

AlignOutcome& AlignOutcome::operator=(const AlignOutcome& other) {
  if (this == &other) return *this;
  result = other.result;
  report = other.report;
  aligned.AssignBytes(other.aligned.ToBytes());
  aligned.setBusy(false);
  error = other.error;
  timings = other.timings;
  return *this;
}

}  // namespace velmora
