#include "align/AlignRelay.h"

namespace velmora {

void AlignRelay::PostTried(int band, int table, int point, int level, double watts) {
  PostNews(
      [this, band, table, point, level, watts] { emit Tried(band, table, point, level, watts); });
}

void AlignRelay::PostPointFinished(const PointResult& result) {
  PostNews([this, result] { emit PointFinished(result); });
}

void AlignRelay::PostFinished(const AlignOutcome& outcome) {
  PostNews([this, outcome] { emit Finished(outcome); });
}

}  // namespace velmora
