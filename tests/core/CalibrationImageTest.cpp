#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "core/CalibrationImage.h"
#include "core/ImageLayout.h"

namespace velmora {
namespace {

// The default image, spelled out byte by byte from the defaults table.
CalibrationImage::Bytes ExpectedDefaults() {
  CalibrationImage::Bytes b{};
  auto put = [&](std::size_t o, std::vector<std::uint8_t> v) {
    for (auto x : v) b[o++] = x;
  };
  auto fill = [&](std::size_t from, std::size_t to, std::uint8_t x) {
    for (std::size_t i = from; i <= to; ++i) b[i] = x;
  };
  put(0, {0x01, 0, 0, 0});
  put(4, {0x0F, 0x80});
  fill(6, 53, 0x3F);
  fill(54, 69, 0xFF);
  put(70, {0x1F, 0x80});
  fill(72, 135, 0xFF);
  put(136, {0x0F, 0xC0});
  put(138, {0x09, 0x00, 0x0B, 0x40, 0x49, 0x08, 0x5B, 0x1A, 0x10, 0x26, 0x09, 0x01, 0x01});
  put(151, {0x01, 0x36, 0x03, 0x01, 0x36, 0x01, 0x74, 0x04, 0x00, 0x04, 0x70, 0x01, 0x36, 0x01,
            0x74, 0x04, 0x00, 0x04, 0x70});
  fill(170, 201, 0xFF);
  put(202, {0x1F, 0xC0});
  fill(204, 216, 0xFF);
  put(217, {0x04, 0x00, 0x05});
  fill(220, 267, 0xFF);
  put(268, {0x1F, 0xF0});
  return b;  // 270-307 zero
}

TEST(CalibrationImage, DefaultsAreExactlyTheTable) {
  CalibrationImage image;
  image.AssignBytes(std::vector<std::uint8_t>(308, 0xAB));  // leftovers must not survive
  image.LoadDefaults();
  const auto bytes = image.ToBytes();
  const auto expected = ExpectedDefaults();
  for (std::size_t i = 0; i < bytes.size(); ++i) EXPECT_EQ(bytes[i], expected[i]) << "offset " << i;
}

TEST(CalibrationImage, DefaultFieldsDecode) {
  CalibrationImage image;
  image.LoadDefaults();
  EXPECT_EQ(image.portNumber(), 1);
  EXPECT_EQ(image.ReadBcd16(layout::kBandBaseA), 136);
  EXPECT_EQ(image.ReadBcd8(layout::kBandStepA), 3);
  EXPECT_EQ(image.ReadBcd16(layout::kBandBaseB), 400);
  EXPECT_EQ(image.ReadBcd8(layout::kBandStepB), 5);
  const std::pair<std::size_t, int> limits[] = {{layout::kRxLowA, 136}, {layout::kRxHighA, 174},
                                                {layout::kRxLowB, 400}, {layout::kRxHighB, 470},
                                                {layout::kTxLowA, 136}, {layout::kTxHighA, 174},
                                                {layout::kTxLowB, 400}, {layout::kTxHighB, 470}};
  for (auto [offset, mhz] : limits) EXPECT_EQ(image.ReadBcd16(offset), mhz) << offset;
  EXPECT_FALSE(image.busy());
}

TEST(CalibrationImage, RegionsAndLevelTablesSitAtTheirOffsets) {
  CalibrationImage image;
  image.LoadDefaults();
  const std::uint8_t headers[4][2] = {{0x0F, 0x80}, {0x1F, 0x80}, {0x0F, 0xC0}, {0x1F, 0xC0}};
  for (std::size_t i = 0; i < 4; ++i) {
    auto r = image.region(i);
    EXPECT_EQ(r.addrHi, headers[i][0]);
    EXPECT_EQ(r.addrLo, headers[i][1]);
    EXPECT_EQ(r.data.data() - &image.region(0).addrHi, static_cast<std::ptrdiff_t>(66 * i + 2));
  }
  EXPECT_EQ(image.liveBlock().addrHi, 0x1F);
  EXPECT_EQ(image.liveBlock().addrLo, 0xF0);
  image.SetLevel({Band::B, 2, 15}, 0x42);
  EXPECT_EQ(image.At(6 + 66 + 32 + 15), 0x42);
  image.SetLevel({Band::A, 3, 0}, 0x11);
  EXPECT_EQ(image.At(54), 0x11);
  image.liveCommand()[0] = 0xA6;
  EXPECT_EQ(image.At(296), 0xA6);
  image.liveCommandSent()[9] = 0x77;
  EXPECT_EQ(image.At(295), 0x77);
}

struct FieldCase {
  std::uint8_t hi, lo;
  std::int32_t value;
};
TEST(CalibrationImage, Bcd16ReadsTheFieldRule) {
  const FieldCase cases[] = {
      {0xFF, 0xFF, 0}, {0x1A, 0x5B, 1}, {0x01, 0x36, 136}, {0x06, 0x00, 600}};
  CalibrationImage image;
  for (auto c : cases) {
    image.SetAt(layout::kRxLowA, c.hi);
    image.SetAt(layout::kRxLowA + 1, c.lo);
    EXPECT_EQ(image.ReadBcd16(layout::kRxLowA), c.value);
  }
}

TEST(CalibrationImage, Bcd16WritesHighByteFirstAndDropsTheFifthDigit) {
  const FieldCase cases[] = {{0x01, 0x36, 136}, {0x23, 0x45, 12345}, {0x00, 0x00, 0}};
  CalibrationImage image;
  for (auto c : cases) {
    image.WriteBcd16(layout::kTxHighB, c.value);
    EXPECT_EQ(image.At(layout::kTxHighB), c.hi) << c.value;
    EXPECT_EQ(image.At(layout::kTxHighB + 1), c.lo) << c.value;
  }
}

TEST(CalibrationImage, Bcd8SignExtends) {
  const std::pair<std::uint8_t, int> reads[] = {{0x95, 0}, {0x7A, 7}, {0x05, 5},
                                                {0x80, 0}, {0xFF, 0}, {0x10, 10}};
  CalibrationImage image;
  for (auto [byte, value] : reads) {
    image.SetAt(layout::kBandStepB, byte);
    EXPECT_EQ(image.ReadBcd8(layout::kBandStepB), value) << int(byte);
  }
  image.WriteBcd8(layout::kBandStepA, 25);
  EXPECT_EQ(image.At(layout::kBandStepA), 0x25);
}

TEST(CalibrationImage, PortNumberIsLittleEndian) {
  CalibrationImage image;
  image.setPortNumber(0x01020305);
  EXPECT_EQ(image.At(0), 0x05);
  EXPECT_EQ(image.At(3), 0x01);
  image.setPortNumber(-1);
  EXPECT_EQ(image.portNumber(), -1);
}

TEST(CalibrationImage, AssignBytesReplacesOnlyTheLeadingBytes) {
  CalibrationImage image;
  image.LoadDefaults();
  image.AssignBytes(std::vector<std::uint8_t>(100, 0x5A));
  const auto bytes = image.ToBytes();
  const auto defaults = ExpectedDefaults();
  for (std::size_t i = 0; i < 308; ++i) EXPECT_EQ(bytes[i], i < 100 ? 0x5A : defaults[i]) << i;
  image.AssignBytes(std::vector<std::uint8_t>(400, 0x01));
  EXPECT_TRUE(image.busy());  // byte 306 is part of the record
}

TEST(CalibrationImage, BusyIsSharedAtomicallyWithAWorker) {
  // Run under ThreadSanitizer too: the flag and whole-record copies must not race.
  CalibrationImage image;
  image.LoadDefaults();
  std::atomic<bool> release{false};
  std::thread worker([&] {
    image.setBusy(true);
    while (!release.load()) std::this_thread::yield();
    image.setBusy(false);
  });
  while (!image.busy()) std::this_thread::yield();
  EXPECT_EQ(image.ToBytes()[layout::kBusy], 1);
  release = true;
  while (image.busy()) (void)image.ToBytes();
  worker.join();
  EXPECT_EQ(image.At(layout::kBusy), 0);
}

}  // namespace
}  // namespace velmora
