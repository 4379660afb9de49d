#pragma once

#include <array>
#include <string_view>

#include "core/CalibrationImage.h"
#include "core/ImageLayout.h"

namespace velmora {

// One band's four level tables against the frequencies of their points: what a curve plot of
// the band shows. Point k lies at base + k * step MHz.
struct BandCurves {
  using Table = std::array<int, layout::kPointsPerTable>;

  // The tables' names, as their tabs and plots show them (UTF-8).
  static constexpr std::array<std::string_view, layout::kTablesPerBand> kTableNames = {
      "高功率", "中功率", "低功率", "接收电调"};

  int baseMhz = 0;
  int stepMhz = 0;
  std::array<Table, layout::kTablesPerBand> levels{};

  static BandCurves FromImage(const CalibrationImage& image, int band);
  int PointMhz(int point) const { return baseMhz + point * stepMhz; }
};

}  // namespace velmora
