#include <gtest/gtest.h>

#include <array>
#include <string>

#include "core/LiveCommandComposer.h"

namespace velmora {
namespace {

using Command = std::array<std::uint8_t, 10>;

Command LiveCommandOf(CalibrationImage& image) {
  Command c{};
  std::copy(image.liveCommand().begin(), image.liveCommand().end(), c.begin());
  return c;
}

struct LevelCase {
  int band, table, point, value;
  Command expected;
};

TEST(LiveCommandComposer, LevelCommandsByteForByte) {
  const LevelCase cases[] = {
      {0, 1, 15, 64, {0xA6, 0x69, 0x80, 0x06, 0x01, 0x81, 0x13, 0x80, 0x0D, 0x40}},
      {0, 0, 0, 200, {0xA6, 0x69, 0x80, 0x06, 0x01, 0x36, 0xFF, 0xFF, 0xC8, 0x00}},
      {0, 2, 1, 7, {0xA6, 0x69, 0x80, 0x06, 0x01, 0x39, 0xFF, 0xFF, 0x07, 0x00}},
      {1, 0, 15, 255, {0xA6, 0x69, 0x80, 0x06, 0x04, 0x75, 0xFF, 0xFF, 0xFF, 0x00}},
      {1, 1, 0, 300, {0xA6, 0x69, 0x80, 0x06, 0x04, 0x00, 0x13, 0x80, 0x0D, 0x2C}},
  };
  for (const auto& c : cases) {
    CalibrationImage image;
    image.LoadDefaults();
    ASSERT_TRUE(LiveCommandComposer::ComposeLevel(
        image, PointRef::From(c.band, c.table, c.point).value(), c.value));
    EXPECT_EQ(LiveCommandOf(image), c.expected) << c.band << "/" << c.table << "/" << c.point;
  }
}

TEST(LiveCommandComposer, ReceiveTuningIsNeverComposed) {
  CalibrationImage image;
  image.LoadDefaults();
  const auto before = image.ToBytes();
  EXPECT_FALSE(LiveCommandComposer::ComposeLevel(image, {Band::A, 3, 5}, 10));
  EXPECT_EQ(image.ToBytes(), before);
}

TEST(LiveCommandComposer, ToneCommandsByteForByte) {
  CalibrationImage image;
  image.LoadDefaults();
  LiveCommandComposer::ComposeTone(image, 0, 7, 670, 128);
  EXPECT_EQ(LiveCommandOf(image),
            (Command{0xA6, 0x69, 0x80, 0x06, 0x01, 0x78, 0x9E, 0x02, 0x0D, 0x80}));
  LiveCommandComposer::ComposeTone(image, 1, 7, 1928, 1);
  EXPECT_EQ(LiveCommandOf(image),
            (Command{0xA6, 0x69, 0x80, 0x06, 0x04, 0x70, 0x88, 0x07, 0x0D, 0x01}));
  LiveCommandComposer::ComposeTone(image, 1, 0, 1928, 1);
  EXPECT_EQ(image.liveCommand()[4], 0x04);
  EXPECT_EQ(image.liveCommand()[5], 0x00);
}

TEST(LiveCommandComposer, ErasedStepUsesTheBaseEverywhere) {
  CalibrationImage image;
  image.LoadDefaults();
  image.SetAt(layout::kBandStepA, 0x80);
  LiveCommandComposer::ComposeTone(image, 0, 7, 670, 0);
  EXPECT_EQ(image.liveCommand()[4], 0x01);
  EXPECT_EQ(image.liveCommand()[5], 0x36);
  LiveCommandComposer::ComposeLevel(image, {Band::A, 0, 15}, 0);
  EXPECT_EQ(image.liveCommand()[5], 0x36);
}

TEST(LiveCommandComposer, OnlyTheFourLowestDigitsOfTheFrequencyFit) {
  CalibrationImage image;
  image.LoadDefaults();
  image.WriteBcd16(layout::kBandBaseA, 9999);
  image.WriteBcd8(layout::kBandStepA, 9);
  LiveCommandComposer::ComposeLevel(image, {Band::A, 0, 15}, 0);  // 10134
  EXPECT_EQ(image.liveCommand()[4], 0x01);
  EXPECT_EQ(image.liveCommand()[5], 0x34);
}

TEST(LiveCommandComposer, EveryListedToneReadsAsItsTenths) {
  const char* tones[] = {
      "67.0",  "69.3",  "71.9",  "74.4",  "77.0",  "79.7",  "82.5",  "85.4",  "88.5",  "91.5",
      "94.8",  "97.4",  "100.0", "103.5", "107.2", "110.9", "114.8", "118.8", "123.0", "127.3",
      "131.8", "136.5", "141.3", "146.2", "151.4", "156.7", "159.8", "162.2", "165.5", "167.9",
      "171.3", "173.8", "177.3", "179.9", "183.5", "186.2", "189.9", "192.8", "196.6", "199.5",
      "203.5", "206.5", "210.7", "218.1", "225.7", "229.1", "233.6", "241.8", "250.3"};
  for (const char* t : tones) {
    const std::string s(t);
    const int expected = std::stoi(s.substr(0, s.size() - 2)) * 10 + (s.back() - '0');
    EXPECT_EQ(LiveCommandComposer::ToneTextToTenths(s), expected) << s;
  }
}

TEST(LiveCommandComposer, TypedToneTexts) {
  EXPECT_EQ(LiveCommandComposer::ToneTextToTenths(" 88.5Hz"), 885);
  EXPECT_EQ(LiveCommandComposer::ToneTextToTenths("100"), 1000);
  EXPECT_EQ(LiveCommandComposer::ToneTextToTenths("-1.25"), -12);
  EXPECT_EQ(LiveCommandComposer::ToneTextToTenths("abc"), std::nullopt);
  EXPECT_EQ(LiveCommandComposer::ToneTextToTenths(""), std::nullopt);
  EXPECT_EQ(LiveCommandComposer::ToneTextToTenths("1e300"), std::nullopt);
}

}  // namespace
}  // namespace velmora
