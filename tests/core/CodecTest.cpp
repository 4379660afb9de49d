#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <string>

#include "core/BcdCodec.h"
#include "core/CodeTables.h"
#include "core/TextCodec.h"

namespace velmora {
namespace {

struct DecodeCase {
  std::int32_t in, out;
};
class BcdDecodeTest : public testing::TestWithParam<DecodeCase> {};
TEST_P(BcdDecodeTest, ReadsHexTextAsDecimal) {
  EXPECT_EQ(BcdDecode(GetParam().in), GetParam().out) << std::hex << GetParam().in;
}
INSTANTIATE_TEST_SUITE_P(
    Table, BcdDecodeTest,
    testing::Values(DecodeCase{0x0136, 136}, DecodeCase{0x0400, 400}, DecodeCase{0x05, 5},
                    DecodeCase{0x1A5B, 1}, DecodeCase{0x3F, 3}, DecodeCase{0xFFFF, 0},
                    DecodeCase{0x0A00, 0}, DecodeCase{0, 0}, DecodeCase{-1, 0},
                    DecodeCase{static_cast<std::int32_t>(0x99999999u), 99999999},
                    DecodeCase{static_cast<std::int8_t>(0x95), 0}, DecodeCase{0x7A, 7},
                    DecodeCase{0x12345678, 12345678}));

struct EncodeCase {
  std::int32_t in, out;
};
class BcdEncodeTest : public testing::TestWithParam<EncodeCase> {};
TEST_P(BcdEncodeTest, PutsEachDigitInItsNibble) {
  EXPECT_EQ(BcdEncode(GetParam().in), GetParam().out) << GetParam().in;
}
INSTANTIATE_TEST_SUITE_P(
    Table, BcdEncodeTest,
    testing::Values(EncodeCase{136, 0x136}, EncodeCase{600, 0x600}, EncodeCase{0, 0},
                    EncodeCase{-5, 0xF5}, EncodeCase{12345, 0x12345}, EncodeCase{25, 0x25},
                    EncodeCase{9999999, 0x9999999},
                    EncodeCase{-999999, static_cast<std::int32_t>(0xF999999)}));

TEST(BcdCodec, OutOfDomainValuesDoNotCrash) {
  // Outside the encoder's domain the result only has to be defined behaviour.
  (void)BcdEncode(std::numeric_limits<std::int32_t>::min());
  (void)BcdEncode(std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(BcdEncode(2147483647) & 0xFFFF, 0x3647);
}

TEST(BcdCodec, RoundTripsEveryFourDigitNumber) {
  for (int n = 0; n <= 9999; ++n) ASSERT_EQ(BcdDecode(BcdEncode(n)), n);
}

TEST(HexDigitValue, FollowsTheDigitRule) {
  const std::pair<char, int> cases[] = {{'0', 0},  {'9', 9},  {'a', 10}, {'z', 35},  {'A', 10},
                                        {'Z', 35}, {'-', 15}, {' ', 15}, {'\0', 15}, {'#', 15}};
  for (auto [c, v] : cases) EXPECT_EQ(HexDigitValue(c), v) << int(c);
}

using Field = std::array<std::uint8_t, 7>;
Field Bytes(std::string_view s) {
  Field f{};
  for (std::size_t i = 0; i < 7; ++i) f[i] = static_cast<std::uint8_t>(s[i]);
  return f;
}

TEST(TextCodec, FieldToString) {
  const std::pair<Field, std::string> cases[] = {
      {Field{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, ""},
      {Bytes("HELLO  "), "HELLO"},
      {Field{'A', 'B', 0x00, 'C', 'D', 'E', 'F'}, "AB"},
      {Field{'A', 'B', ' ', ' ', 0x00, 'X', 'Y'}, "AB  "},
      {Bytes("       "), ""},
      {Bytes("+-?09Az"), "+-?09Az"},
      {Bytes(" A B   "), " A B"},
      {Field{'A', '/', 'B', ' ', ' ', ' ', ' '}, "A"},
  };
  for (const auto& [field, text] : cases) EXPECT_EQ(TextFieldToString(field), text);
}

TEST(TextCodec, StringToField) {
  const std::pair<std::string, Field> cases[] = {
      {"", Bytes("       ")},
      {"AB/CD", Bytes("AB-CD  ")},
      {"A#B", Bytes("A      ")},
      {"1234567", Bytes("1234567")},
      {"12345678", Bytes("1234567")},
      {"A\xE4\xB8\xADZ", Bytes("A      ")},  // a non-ASCII character ends the text
      {"a+b?", Bytes("a+b?   ")},
  };
  for (const auto& [text, field] : cases) {
    Field out;
    out.fill(0xAA);
    StringToTextField(text, out);
    EXPECT_EQ(out, field) << text;
  }
}

TEST(CodeTables, CodesAndIndicesMapBothWays) {
  for (int i = 0; i < 4; ++i) EXPECT_EQ(CrystalCodeToIndex(CrystalIndexToCode(i)), i);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(IfCodeToIndex(IfIndexToCode(i)), i);
}

TEST(CodeTables, UnlistedValuesFallBack) {
  EXPECT_EQ(CrystalIndexToCode(-1), (Code32{0x09, 0x00, 0x0B, 0x40}));
  EXPECT_EQ(IfIndexToCode(-1), (Code32{0x49, 0x08, 0x5B, 0x1A}));
  EXPECT_EQ(CrystalIndexToCode(4), CrystalIndexToCode(1));
  EXPECT_EQ(IfIndexToCode(8), IfIndexToCode(6));
  const Code32 erased{0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(CrystalCodeToIndex(erased), 1);
  EXPECT_EQ(IfCodeToIndex(erased), 6);
  // Three matching bytes are not enough: all four must match.
  EXPECT_EQ(CrystalCodeToIndex(Code32{0x0C, 0x00, 0x0F, 0x01}), 1);
  EXPECT_EQ(IfCodeToIndex(Code32{0x60, 0x18, 0x78, 0x1F}), 6);
}

}  // namespace
}  // namespace velmora
