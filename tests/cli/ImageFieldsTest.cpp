#include <gtest/gtest.h>

#include <map>

#include "cli/ImageFields.h"

namespace velmora {
namespace {

TEST(ImageFields, CoverEveryByteExactlyOnce) {
  std::vector<int> owners(layout::kImageSize, 0);
  for (const auto& field : ImageFields::All()) {
    for (std::size_t i = field.offset; i < field.offset + field.size; ++i) owners.at(i)++;
  }
  for (std::size_t i = 0; i < owners.size(); ++i) EXPECT_EQ(owners[i], 1) << "offset " << i;
}

TEST(ImageFields, FormatTheDefaults) {
  CalibrationImage image;
  image.LoadDefaults();
  std::map<std::string, std::string> shown;
  for (const auto& f : ImageFields::All()) shown[f.name] += f.format(image, f.offset, f.size);
  EXPECT_EQ(shown["portNumber"], "COM1");
  EXPECT_EQ(shown["bandA.base"], "136 MHz (01 36)");
  EXPECT_EQ(shown["bandB.step"], "5 MHz (05)");
  EXPECT_EQ(shown["bandB.txHigh"], "470 MHz (04 70)");
  EXPECT_EQ(shown["crystalCode"], "14400K (09 00 0B 40)");
  EXPECT_EQ(shown["ifCode"], "29250K (49 08 5B 1A)");
  EXPECT_EQ(shown["powerOnText1"], "\"\" (FF FF FF FF FF FF FF)");
  EXPECT_EQ(shown["region[3].address"], "0x1FC0");
  EXPECT_EQ(shown["bandA.middlePower"], "63 63 63 63 63 63 63 63 63 63 63 63 63 63 63 63");
  image.crystalCode()[3] = 0x41;
  for (const auto& f : ImageFields::All()) {
    if (f.name == "crystalCode") {
      EXPECT_EQ(f.format(image, f.offset, f.size), "unlisted (09 00 0B 41)");
    }
  }
}

}  // namespace
}  // namespace velmora
