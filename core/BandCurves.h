#pragma once

#include <array>

#include "core/BandSettings.h"
#include "core/CalibrationImage.h"
#include "core/ImageLayout.h"

namespace velmora {

// One band's four level tables against the frequencies of their points: what a curve plot of
// the band shows. Point k lies at base + k * step MHz.
struct BandCurves {
  using Table = std::array<int, layout::kPointsPerTable>;

  int baseMhz = 0;
  int stepMhz = 0;
  std::array<Table, layout::kTablesPerBand> levels{};

  static BandCurves FromImage(const CalibrationImage& image, int band);
  int PointMhz(int point) const { return BandSettings::PointMhz(baseMhz, stepMhz, point); }
};

}  // namespace velmora
