#include "core/BandCurves.h"

namespace velmora {

BandCurves BandCurves::FromImage(const CalibrationImage& image, int band) {
  const layout::BandFields& fields = layout::kBand.at(static_cast<std::size_t>(band));
  BandCurves curves;
  curves.baseMhz = image.ReadBcd16(fields.base);
  curves.stepMhz = image.ReadBcd8(fields.step);
  for (int t = 0; t < layout::kTablesPerBand; ++t) {
    for (int k = 0; k < layout::kPointsPerTable; ++k) {
      curves.levels[std::size_t(t)][std::size_t(k)] =
          image.At(layout::LevelTableOffset(band, t, k));
    }
  }
  return curves;
}

}  // namespace velmora
