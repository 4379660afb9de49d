#include "core/BandCurves.h"

namespace velmora {

BandCurves BandCurves::FromImage(const CalibrationImage& image, int band) {
  const BandSettings settings = BandSettings::FromImage(image, band);
  BandCurves curves;
  curves.baseMhz = settings.base;
  curves.stepMhz = settings.step;
  for (int t = 0; t < layout::kTablesPerBand; ++t) {
    for (int k = 0; k < layout::kPointsPerTable; ++k) {
      curves.levels[std::size_t(t)][std::size_t(k)] =
          image.At(layout::LevelTableOffset(band, t, k));
    }
  }
  return curves;
}

}  // namespace velmora
