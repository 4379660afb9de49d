#pragma once

#include "align/AlignOutcome.h"
#include "align/PointResult.h"
#include "transfer/JobRelay.h"

namespace velmora {

// The job relay of an alignment: its progress as any job's, and the alignment's own news, each
// delivered by the relay's one rule.
class AlignRelay : public JobRelay {
  Q_OBJECT

 public:
  using JobRelay::JobRelay;

  // Any thread.
  void PostTried(int band, int table, int point, int level, double watts);
  void PostPointFinished(const PointResult& result);
  void PostFinished(const AlignOutcome& outcome);

 signals:
  void Tried(int band, int table, int point, int level, double watts);  // after each reading
  void PointFinished(const velmora::PointResult& result);
  void Finished(const velmora::AlignOutcome& outcome);
};

}  // namespace velmora
