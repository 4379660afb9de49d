#include <gtest/gtest.h>

#include <stdexcept>

#include "core/CalibrationImage.h"
#include "core/PointRef.h"

namespace velmora {
namespace {

struct RefCase {
  int band, table, point;
  bool valid;
};

// The edges of each range, and one step past each.
constexpr RefCase kRefCases[] = {
    {0, 0, 0, true},   {1, 3, 15, true},  {0, 3, 0, true},   {1, 0, 15, true},
    {2, 0, 0, false},  {-1, 0, 0, false}, {0, 4, 0, false},  {0, -1, 0, false},
    {0, 0, 16, false}, {1, 2, -1, false}, {7, 9, 99, false},
};

TEST(PointRefTest, NumbersOutsideABandsTablesAndPointsAreRefused) {
  for (const RefCase& c : kRefCases) {
    const auto ref = PointRef::From(c.band, c.table, c.point);
    EXPECT_EQ(ref.has_value(), c.valid) << c.band << " " << c.table << " " << c.point;
    if (ref) {
      EXPECT_EQ(BandIndex(ref->band()), c.band);
      EXPECT_EQ(ref->table(), c.table);
      EXPECT_EQ(ref->point(), c.point);
    }
    EXPECT_EQ(TableRef::From(c.band, c.table).has_value(),
              c.band >= 0 && c.band <= 1 && c.table >= 0 && c.table <= 3);
  }
}

TEST(PointRefTest, ConstructorsThrowForAPointPastTheTableOrABandOtherThanAOrB) {
  EXPECT_THROW(PointRef(Band::A, 0, 16), std::out_of_range);
  EXPECT_THROW(PointRef(Band::B, 4, 0), std::out_of_range);
  EXPECT_THROW(PointRef(Band::A, 0, -1), std::out_of_range);
  EXPECT_THROW(TableRef(static_cast<Band>(2), 0), std::out_of_range);
  EXPECT_FALSE(BandAt(2));
  EXPECT_EQ(BandAt(1), Band::B);
}

TEST(PointRefTest, OnlyTheReceiveTuningStopsAt63) {
  for (int t = 0; t < 4; ++t) {
    const TableRef table(Band::B, t);
    EXPECT_EQ(table.IsReceiveTuning(), t == 3);
    EXPECT_EQ(table.MaxLevel(), t == 3 ? 63 : 255);
  }
}

// A level's byte in the image: band B's tables start at offset 72, sixteen bytes each.
TEST(PointRefTest, ALevelLandsOnItsOwnByteOfTheImage) {
  CalibrationImage image;
  const CalibrationImage::Bytes before = image.ToBytes();
  image.SetLevel({Band::B, 2, 15}, 0x42);
  CalibrationImage::Bytes expected = before;
  expected[6 + 66 + 2 * 16 + 15] = 0x42;
  EXPECT_EQ(image.ToBytes(), expected);
  EXPECT_EQ(image.Level({Band::B, 2, 15}), 0x42);
}

}  // namespace
}  // namespace velmora
