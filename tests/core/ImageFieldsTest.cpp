#include <gtest/gtest.h>

#include <stdexcept>

#include "core/ImageFields.h"

namespace velmora {
namespace {

TEST(ImageFields, CoverEveryByteExactlyOnce) {
  std::vector<int> owners(layout::kImageSize, 0);
  for (const auto& field : ImageFields::All()) {
    for (std::size_t i = field.offset; i < field.offset + field.size; ++i) owners.at(i)++;
  }
  for (std::size_t i = 0; i < owners.size(); ++i) EXPECT_EQ(owners[i], 1) << "offset " << i;
}

const ImageField& Named(const std::string& name) {
  for (const auto& f : ImageFields::All()) {
    if (f.name == name) return f;
  }
  throw std::out_of_range(name);
}

// Each field as show prints it and as its decoded value, on the defaults.
TEST(ImageFields, DecodeTheDefaults) {
  CalibrationImage image;
  image.LoadDefaults();
  struct Case {
    const char* name;
    FieldValue::Type type;
    const char* text;
    const char* plain;
  };
  using T = FieldValue::Type;
  const Case cases[] = {
      {"portNumber", T::Number, "COM1", "1"},
      {"bandA.base", T::Number, "136 MHz (01 36)", "136"},
      {"bandB.step", T::Number, "5 MHz (05)", "5"},
      {"bandB.txHigh", T::Number, "470 MHz (04 70)", "470"},
      {"crystalCode", T::Text, "14400K (09 00 0B 40)", "14400K"},
      {"ifCode", T::Text, "29250K (49 08 5B 1A)", "29250K"},
      {"powerOnText1", T::Text, "\"\" (FF FF FF FF FF FF FF)", ""},
      {"region[3].address", T::Number, "0x1FC0", "8128"},
      {"bandA.middlePower", T::Levels, "63 63 63 63 63 63 63 63 63 63 63 63 63 63 63 63",
       "63 63 63 63 63 63 63 63 63 63 63 63 63 63 63 63"},
      {"miscSettings", T::Raw, "10 26 09 01 01", "10 26 09 01 01"},
  };
  for (const Case& c : cases) {
    const ImageField& field = Named(c.name);
    const FieldValue value = ImageFields::Value(field, image);
    EXPECT_EQ(value.type, c.type) << c.name;
    EXPECT_EQ(ImageFields::Text(field, image), c.text) << c.name;
    EXPECT_EQ(ImageFields::Plain(value), c.plain) << c.name;
  }
  image.crystalCode()[3] = 0x41;
  EXPECT_EQ(ImageFields::Text(Named("crystalCode"), image), "unlisted (09 00 0B 41)");
}

}  // namespace
}  // namespace velmora
