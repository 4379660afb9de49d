#include "align/AlignOutcome.h"

namespace velmora {

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
