#include "core/ImageFields.h"

#include <algorithm>
#include <cstdio>
#include <span>
#include <vector>

#include "core/BandCurves.h"
#include "core/CodeTables.h"
#include "core/HexText.h"
#include "core/TextCodec.h"

namespace velmora {
namespace {

FieldValue NumberValue(std::int64_t number) {
  return {FieldValue::Type::Number, number, {}, {}, {}};
}
FieldValue TextValue(std::string text) {
  return {FieldValue::Type::Text, 0, std::move(text), {}, {}};
}

template <std::size_t N>
std::string CodeText(const std::array<CodeEntry, N>& table, std::span<const std::uint8_t, 4> code) {
  for (const auto& entry : table) {
    if (std::equal(code.begin(), code.end(), entry.bytes.begin())) return std::string(entry.text);
  }
  return "unlisted";
}

FieldValue Levels(const ImageField& field, const CalibrationImage& image) {
  const BandCurves curves = BandCurves::FromImage(image, field.band);
  FieldValue value{FieldValue::Type::Levels, 0, {}, {}, {}};
  for (std::size_t k = 0; k < field.size; ++k) {
    value.levels.push_back(image.At(field.offset + k));
    value.pointMhz.push_back(curves.PointMhz(static_cast<int>(k)));
  }
  return value;
}

std::string Join(const std::vector<int>& numbers) {
  std::string text;
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    if (i) text += ' ';
    text += std::to_string(numbers[i]);
  }
  return text;
}

std::vector<ImageField> Build() {
  using namespace layout;
  using E = FieldEncoding;
  std::vector<ImageField> f;
  f.push_back({"portNumber", kPortNumber, 4, E::Port});
  const char* tables[] = {"highPower", "middlePower", "lowPower", "receiveTuning"};
  for (std::size_t r = 0; r < kRegionCount; ++r) {
    f.push_back({"region[" + std::to_string(r) + "].address", RegionOffset(r), 2, E::Address});
    if (r >= 2) continue;
    const int band = static_cast<int>(r);
    for (int t = 0; t < kTablesPerBand; ++t) {
      f.push_back({std::string("band") + "AB"[r] + "." + tables[t], LevelTableOffset(band, t, 0),
                   kPointsPerTable, E::Levels, band});
    }
  }
  const ImageField rest[] = {
      {"crystalCode", kCrystalCode, kCodeSize, E::CrystalCode},
      {"ifCode", kIfCode, kCodeSize, E::IfCode},
      {"miscSettings", kMiscSettings, 5, E::Raw},
      {"fromRadioOnly", 170, 32, E::Raw},
      {"carried", 204, 13, E::Raw},
      {"carried", 220, 16, E::Raw},
      {"powerOnText1", kPowerOnText1, kTextFieldSize, E::Text},
      {"powerOnText2", kPowerOnText2, kTextFieldSize, E::Text},
      {"carried", 250, 2, E::Raw},
      {"fromRadioOnly", 252, 16, E::Raw},
      {"liveBlock.address", kLiveBlock, 2, E::Address},
      {"liveBlock.data", kLiveBlock + 2, kLiveBlockDataSize, E::Raw},
      {"liveCommandSent", kLiveCommandSent, kLiveCommandSize, E::Raw},
      {"liveCommand", kLiveCommand, kLiveCommandSize, E::Raw},
      {"busy", kBusy, 1, E::Flag},
      {"unused", kUnused, 1, E::Raw},
  };
  f.insert(f.end(), std::begin(rest), std::end(rest));
  for (int band = 0; band < 2; ++band) {
    for (const BandSettings::Field setting : BandSettings::kFields) {
      f.push_back(
          {std::string("band") + "AB"[band] + "." + std::string(BandSettings::Name(setting)),
           BandSettings::Offset(band, setting), BandSettings::Size(setting), E::Bcd, band,
           setting});
    }
  }
  std::stable_sort(f.begin(), f.end(), [](auto& a, auto& b) { return a.offset < b.offset; });
  return f;
}

}  // namespace

const std::vector<ImageField>& ImageFields::All() {
  static const std::vector<ImageField> fields = Build();
  return fields;
}

std::string ImageFields::UniqueName(const ImageField& field) {
  const auto& all = All();
  const bool shared = std::count_if(all.begin(), all.end(),
                                    [&](const ImageField& f) { return f.name == field.name; }) > 1;
  return shared ? field.name + "@" + std::to_string(field.offset) : field.name;
}

FieldValue ImageFields::Value(const ImageField& field, const CalibrationImage& image) {
  const std::size_t o = field.offset;
  switch (field.encoding) {
    case FieldEncoding::Port:
      return NumberValue(image.ReadInt32Le(o));
    case FieldEncoding::Address:
      return NumberValue(image.At(o) * 256 + image.At(o + 1));
    case FieldEncoding::Bcd:
      return NumberValue(BandSettings::FromImage(image, field.band).Get(field.setting));
    case FieldEncoding::Levels:
      return Levels(field, image);
    case FieldEncoding::Text:
      return TextValue(TextFieldToString(image.Field<layout::kTextFieldSize>(o)));
    case FieldEncoding::CrystalCode:
      return TextValue(CodeText(kCrystalTable, image.Field<layout::kCodeSize>(o)));
    case FieldEncoding::IfCode:
      return TextValue(CodeText(kIfTable, image.Field<layout::kCodeSize>(o)));
    case FieldEncoding::Flag:
      return NumberValue(image.At(o));
    case FieldEncoding::Raw:
      break;
  }
  return {FieldValue::Type::Raw, 0, Hex(image, o, field.size), {}, {}};
}

std::string ImageFields::Text(const ImageField& field, const CalibrationImage& image) {
  const FieldValue value = Value(field, image);
  const std::string bytes = " (" + Hex(image, field.offset, field.size) + ")";
  switch (field.encoding) {
    case FieldEncoding::Port:
      return "COM" + std::to_string(value.number);
    case FieldEncoding::Address: {
      char text[8];
      std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(value.number));
      return text;
    }
    case FieldEncoding::Bcd:
      return std::to_string(value.number) + " MHz" + bytes;
    case FieldEncoding::Text:
      return "\"" + value.text + "\"" + bytes;
    case FieldEncoding::CrystalCode:
    case FieldEncoding::IfCode:
      return value.text + bytes;
    case FieldEncoding::Levels:
    case FieldEncoding::Flag:
    case FieldEncoding::Raw:
      break;
  }
  return Plain(value);
}

std::string ImageFields::Plain(const FieldValue& value) {
  switch (value.type) {
    case FieldValue::Type::Number:
      return std::to_string(value.number);
    case FieldValue::Type::Levels:
      return Join(value.levels);
    case FieldValue::Type::Text:
    case FieldValue::Type::Raw:
      break;
  }
  return value.text;
}

bool ImageFields::Differs(const ImageField& field, const CalibrationImage& a,
                          const CalibrationImage& b) {
  for (std::size_t i = field.offset; i < field.offset + field.size; ++i) {
    if (a.At(i) != b.At(i)) return true;
  }
  return false;
}

std::string ImageFields::Hex(const CalibrationImage& image, std::size_t offset, std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = image.At(offset + i);
  return HexText::Bytes(bytes);
}

}  // namespace velmora
