#include "sim/FactoryAlignment.h"

#include "core/BandSettings.h"
#include "core/CalibrationImage.h"
#include "core/ImageLayout.h"
#include "core/TextCodec.h"

namespace velmora::sim {
namespace {

constexpr int kBandA = 0;
constexpr int kBandB = 1;

// Power tables rise with the power level and wobble a little from point to point, as tuned
// radios do; receiver tuning stays within 0..63.
std::uint8_t LevelValue(int band, int table, int point) {
  if (table == layout::kReceiveTuningTable) return static_cast<std::uint8_t>(18 + 2 * point + band);
  const int base = 0x50 + 0x14 * (2 - table) + 4 * band;
  return static_cast<std::uint8_t>(base + point + (point * 7 + table) % 3);
}

// Base, step, receive and transmit limits in MHz.
constexpr BandSettings kPlanA{136, 3, 136, 174, 144, 148};
constexpr BandSettings kPlanB{400, 5, 400, 480, 430, 440};

void WritePlan(CalibrationImage& image, int band, const BandSettings& plan) {
  for (const BandSettings::Field field : BandSettings::kFields) {
    BandSettings::Write(image, band, field, plan.Get(field));
  }
}

}  // namespace

RadioMemory FactoryAlignment::Make() {
  CalibrationImage image;
  image.LoadDefaults();  // region headers, codes and the carried bytes
  for (int band : {kBandA, kBandB}) {
    for (int table = 0; table < layout::kTablesPerBand; ++table) {
      for (int point = 0; point < layout::kPointsPerTable; ++point) {
        image.SetLevel(PointRef::From(band, table, point).value(), LevelValue(band, table, point));
      }
    }
  }
  WritePlan(image, kBandA, kPlanA);
  WritePlan(image, kBandB, kPlanB);
  StringToTextField("VELMORA", image.powerOnText1());
  StringToTextField("FACTORY", image.powerOnText2());

  RadioMemory memory;
  memory.fill(0xFF);
  for (std::size_t i = 0; i < layout::kRegionCount; ++i) {
    const auto region = image.region(i);
    const std::size_t address = static_cast<std::size_t>(region.addrHi) << 8 | region.addrLo;
    for (std::size_t j = 0; j < region.data.size(); ++j) {
      memory[(address + j) & kAddressMask] = region.data[j];
    }
  }
  return memory;
}

}  // namespace velmora::sim
