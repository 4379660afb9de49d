#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/CalibrationImage.h"

namespace velmora {

// A band's frequency plan as typed values: its base and step and its receive and transmit limits,
// all in MHz, and where each level point lies. The one place that knows where these fields are
// and how they are encoded: BCD16 high byte first, the step one BCD byte read sign-extended (a
// byte of 0x80 or more reads as 0).
struct BandSettings {
  enum class Field { Base, Step, RxLow, RxHigh, TxLow, TxHigh };
  static constexpr std::array<Field, 6> kFields = {Field::Base,   Field::Step,  Field::RxLow,
                                                   Field::RxHigh, Field::TxLow, Field::TxHigh};

  std::int32_t base = 0;
  std::int32_t step = 0;
  std::int32_t rxLow = 0, rxHigh = 0, txLow = 0, txHigh = 0;

  static BandSettings FromImage(const CalibrationImage& image, int band);
  // Writes one field, encoded as the image keeps it (only the digits that fit).
  static void Write(CalibrationImage& image, int band, Field field, std::int32_t value);

  std::int32_t Get(Field field) const;
  // Level point k lies at base + k * step; tone column k at point 2k.
  static std::int32_t PointMhz(std::int32_t base, std::int32_t step, int point) {
    return base + point * step;
  }
  std::int32_t PointMhz(int point) const { return PointMhz(base, step, point); }

  // Where a field lies in the image, how many bytes it takes and its name ("base", "rxLow"...).
  static std::size_t Offset(int band, Field field);
  static std::size_t Size(Field field) { return field == Field::Step ? 1 : 2; }
  static std::string_view Name(Field field);
};

}  // namespace velmora
