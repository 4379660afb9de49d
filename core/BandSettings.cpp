#include "core/BandSettings.h"

#include "core/ImageLayout.h"

namespace velmora {

std::size_t BandSettings::Offset(int band, Field field) {
  const layout::BandFields& f = layout::kBand.at(static_cast<std::size_t>(band));
  switch (field) {
    case Field::Base:
      return f.base;
    case Field::Step:
      return f.step;
    case Field::RxLow:
      return f.rxLow;
    case Field::RxHigh:
      return f.rxHigh;
    case Field::TxLow:
      return f.txLow;
    case Field::TxHigh:
      break;
  }
  return f.txHigh;
}

std::string_view BandSettings::Name(Field field) {
  constexpr std::string_view kNames[] = {"base", "step", "rxLow", "rxHigh", "txLow", "txHigh"};
  return kNames[static_cast<std::size_t>(field)];
}

BandSettings BandSettings::FromImage(const CalibrationImage& image, int band) {
  auto read = [&](Field field) {
    const std::size_t offset = Offset(band, field);
    return Size(field) == 1 ? image.ReadBcd8(offset) : image.ReadBcd16(offset);
  };
  BandSettings s;
  s.base = read(Field::Base);
  s.step = read(Field::Step);
  s.rxLow = read(Field::RxLow);
  s.rxHigh = read(Field::RxHigh);
  s.txLow = read(Field::TxLow);
  s.txHigh = read(Field::TxHigh);
  return s;
}

void BandSettings::Write(CalibrationImage& image, int band, Field field, std::int32_t value) {
  const std::size_t offset = Offset(band, field);
  Size(field) == 1 ? image.WriteBcd8(offset, value) : image.WriteBcd16(offset, value);
}

std::int32_t BandSettings::Get(Field field) const {
  const std::int32_t values[] = {base, step, rxLow, rxHigh, txLow, txHigh};
  return values[static_cast<std::size_t>(field)];
}

}  // namespace velmora
