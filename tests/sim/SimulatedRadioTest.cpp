#include <gtest/gtest.h>

#include "radio/NibbleSubstitution.h"
#include "sim/FactoryAlignment.h"
#include "sim/SimulatedRadio.h"
#include "tests/sim/SimTestSupport.h"

namespace velmora::sim {
namespace {

using test::Bytes;
using test::HandshakeRequest;
using test::HostScramble;
using test::HostUnscramble;
using test::ReadRequest;
using test::WriteRequest;
using Kind = RequestRecord::Kind;

const Bytes kIdent(kIdentification.begin(), kIdentification.end());

RadioMemory Pattern() {
  RadioMemory m;
  for (std::size_t i = 0; i < m.size(); ++i) m[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
  return m;
}

// The reply a correct radio sends for a read of the pattern memory, built by the host's rules.
Bytes ReadReply(std::uint16_t address) {
  const RadioMemory m = Pattern();
  Bytes b = {protocol::kWriteCommand, static_cast<std::uint8_t>(address >> 8),
             static_cast<std::uint8_t>(address), protocol::kReadLength};
  for (std::size_t i = 0; i < 64; ++i) b.push_back(HostScramble(m[(address + i) % 0x2000]));
  return b;
}

Bytes Data16(std::uint8_t first) {
  Bytes d;
  for (int i = 0; i < 16; ++i) d.push_back(static_cast<std::uint8_t>(first + i));
  return d;
}

Bytes Cat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Bytes Prefix(Bytes b, std::size_t n) {
  b.resize(n);
  return b;
}

Bytes Flipped(Bytes b, std::size_t i) {
  b[i] ^= 0xFF;
  return b;
}

const Bytes kLive = {0xA6, 0x69, 0x80, 0x06, 0x01, 0x45, 0x00, 0x02, 0x7F, 0x10};

struct Step {
  Bytes send;
  Bytes expect;
};
struct ExchangeCase {
  const char* name;
  RadioFaults faults;
  std::vector<Step> steps;
};

void PrintTo(const ExchangeCase& c, std::ostream* os) { *os << c.name; }

std::vector<Step> Connected(std::vector<Step> more) {
  std::vector<Step> steps = {{HandshakeRequest(), {0x06}}, {{0x02}, kIdent}, {{0x06}, {0x06}}};
  steps.insert(steps.end(), more.begin(), more.end());
  return steps;
}

std::vector<Step> Cat2(std::vector<Step> a, const std::vector<Step>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

RadioFaults With(void (*set)(RadioFaults&)) {
  RadioFaults f;
  set(f);
  return f;
}

const std::vector<ExchangeCase>& Cases() {
  static const std::vector<ExchangeCase> cases = {
      {"handshake", RadioFaults{}, {{HandshakeRequest(), {0x06}}}},
      {"wrong access code gets no answer, and no access",
       RadioFaults{},
       {{{'V', 'L', 'M', '8', 'C', 'A', 'L', '?', 0x02}, {}},
        {{0x02}, {}},
        {ReadRequest(0x0F80), {}}}},
      {"handshake answered again in any state", RadioFaults{},
       Connected({{{0x57, 0x1F, 0xF0, 0x10, 0x11}, {}}, {HandshakeRequest(), {0x06}}})},
      {"identification", RadioFaults{}, Connected({})},
      {"block commands before identification are ignored",
       RadioFaults{},
       {{HandshakeRequest(), {0x06}}, {ReadRequest(0x0F80), {}}}},
      {"read blocks of the four default regions", RadioFaults{},
       Connected({{ReadRequest(0x0F80), ReadReply(0x0F80)},
                  {{0x06}, {0x06}},
                  {ReadRequest(0x1F80), ReadReply(0x1F80)},
                  {{0x06}, {0x06}},
                  {ReadRequest(0x0FC0), ReadReply(0x0FC0)},
                  {{0x06}, {0x06}},
                  {ReadRequest(0x1FC0), ReadReply(0x1FC0)},
                  {{0x06}, {0x06}}})},
      {"read past 0x1FFF wraps to 0x0000", RadioFaults{},
       Connected({{ReadRequest(0x1FE0), ReadReply(0x1FE0)}})},
      {"read with a wrong length byte is ignored", RadioFaults{},
       Connected({{{0x52, 0x0F, 0x80, 0x10}, {}}, {ReadRequest(0x0F80), ReadReply(0x0F80)}})},
      {"write block acknowledged", RadioFaults{},
       Connected({{WriteRequest(0x1FF0, Data16(0x30)), {0x06}}})},
      {"live command acknowledged with 09", RadioFaults{}, Connected({{kLive, {0x09}}})},
      {"live command with a wrong header is ignored", RadioFaults{},
       Connected({{{0xA6, 0x69, 0x81, 0x06, 1, 2, 3, 4, 5, 6}, {}}, {kLive, {0x09}}})},
      {"silent radio",
       With([](RadioFaults& f) { f.silent = true; }),
       {{HandshakeRequest(), {}}, {HandshakeRequest(), {}}}},
      {"wrong handshake reply",
       With([](RadioFaults& f) { f.handshakeReply = 0x15; }),
       {{HandshakeRequest(), {0x15}}, {{0x02}, {}}}},
      {"silence after the handshake",
       With([](RadioFaults& f) { f.silentAfterHandshake = true; }),
       {{HandshakeRequest(), {0x06}}, {{0x02}, {}}, {{0x06}, {}}, {ReadRequest(0x0F80), {}}}},
      {"wrong read header byte 0", With([](RadioFaults& f) { f.badReadHeaderByte = 0; }),
       Connected({{ReadRequest(0x0F80), Flipped(ReadReply(0x0F80), 0)}})},
      {"wrong read header byte 1", With([](RadioFaults& f) { f.badReadHeaderByte = 1; }),
       Connected({{ReadRequest(0x0F80), Flipped(ReadReply(0x0F80), 1)}})},
      {"wrong read header byte 2", With([](RadioFaults& f) { f.badReadHeaderByte = 2; }),
       Connected({{ReadRequest(0x0F80), Flipped(ReadReply(0x0F80), 2)}})},
      {"wrong read header byte 3 in block 2 only", With([](RadioFaults& f) {
         f.badReadHeaderByte = 3;
         f.badReadHeaderBlock = 2;
       }),
       Connected({{ReadRequest(0x0F80), ReadReply(0x0F80)},
                  {{0x06}, {0x06}},
                  {ReadRequest(0x1F80), Flipped(ReadReply(0x1F80), 3)}})},
      {"write block 2 refused", With([](RadioFaults& f) {
         f.refuseWriteBlock = 2;
         f.refuseByte = 0x15;
       }),
       Connected({{WriteRequest(0x0F80, Data16(0)), {0x06}},
                  {WriteRequest(0x0F90, Data16(0)), {0x15}},
                  {WriteRequest(0x0FA0, Data16(0)), {0x06}}})},
      {"write block 1 unanswered", With([](RadioFaults& f) { f.unansweredWriteBlock = 1; }),
       Connected(
           {{WriteRequest(0x0F80, Data16(0)), {}}, {WriteRequest(0x0F90, Data16(0)), {0x06}}})},
      {"write block count restarts with each handshake",
       With([](RadioFaults& f) { f.refuseWriteBlock = 2; }),
       Cat2(Connected({{WriteRequest(0x0F80, Data16(0)), {0x06}}}),
            Connected({{WriteRequest(0x0F80, Data16(0)), {0x06}},
                       {WriteRequest(0x0F90, Data16(0)), {0x15}}}))},
      {"live command answered 06",
       With([](RadioFaults& f) { f.liveReply = LiveReply::AckInstead; }),
       Connected({{kLive, {0x06}}, {kLive, {0x06}}})},
      {"live command unanswered", With([](RadioFaults& f) { f.liveReply = LiveReply::Silent; }),
       Connected({{kLive, {}}})},
      {"noise before every reply",
       With([](RadioFaults& f) {
         f.noise = {0xFF, 0x00};
       }),
       {{HandshakeRequest(), {0xFF, 0x00, 0x06}},
        {{0x02}, Cat({0xFF, 0x00}, kIdent)},
        {{0x06}, {0xFF, 0x00, 0x06}},
        {kLive, {0xFF, 0x00, 0x09}}}},
      {"noise before the write acknowledgement only", With([](RadioFaults& f) {
         f.noise = {0x55};
         f.noiseOn = static_cast<unsigned>(ReplyKind::WriteAck);
       }),
       Connected({{WriteRequest(0x0F80, Data16(0)), {0x55, 0x06}}})},
      {"line drops in read block 2 and stays silent", With([](RadioFaults& f) {
         f.dropReadBlock = 2;
         f.dropAfterBytes = 10;
       }),
       Connected({{ReadRequest(0x0F80), ReadReply(0x0F80)},
                  {{0x06}, {0x06}},
                  {ReadRequest(0x1F80), Prefix(ReadReply(0x1F80), 10)},
                  {{0x06}, {}},
                  {HandshakeRequest(), {}}})},
  };
  return cases;
}

class ExchangeTest : public ::testing::TestWithParam<ExchangeCase> {};

TEST_P(ExchangeTest, RepliesByteForByte) {
  SimulatedRadio radio;
  radio.SetMemory(Pattern());
  radio.SetFaults(GetParam().faults);
  for (std::size_t i = 0; i < GetParam().steps.size(); ++i) {
    const Step& step = GetParam().steps[i];
    EXPECT_EQ(radio.Feed(step.send), step.expect) << "step " << i;
  }
}

std::string CaseName(const ::testing::TestParamInfo<ExchangeCase>& param) {
  std::string name = param.param.name;
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Radio, ExchangeTest, ::testing::ValuesIn(Cases()), CaseName);

TEST(SimulatedRadio, WriteBlockUnscramblesIntoMemoryAndWraps) {
  SimulatedRadio radio;
  int hookCalls = 0;
  radio.SetMemoryWrittenHook([&] {
    ++hookCalls;
    return true;
  });
  radio.Feed(HandshakeRequest());
  radio.Feed(Bytes{0x02});
  radio.Feed(Bytes{0x06});
  ASSERT_EQ(radio.Feed(WriteRequest(0x1FF8, Data16(0xA0))), Bytes{0x06});
  const Bytes data = Data16(0xA0);
  EXPECT_EQ(radio.ReadMemory(0x1FF8, 8), Bytes(data.begin(), data.begin() + 8));
  EXPECT_EQ(radio.ReadMemory(0x0000, 8), Bytes(data.begin() + 8, data.end()));
  EXPECT_EQ(radio.ReadMemory(0x1FF0, 1), Bytes{0xFF});
  EXPECT_EQ(hookCalls, 1);
}

// A block the radio could not keep (a fault, or its memory file refused the save) is not stored.
TEST(SimulatedRadio, RefusedAndUnansweredBlocksAreNotStored) {
  enum class Why { RefuseFault, IgnoreFault, SaveFailed };
  const std::pair<Why, Bytes> cases[] = {
      {Why::RefuseFault, {0x15}}, {Why::IgnoreFault, {}}, {Why::SaveFailed, {0x15}}};
  for (const auto& [why, reply] : cases) {
    SimulatedRadio radio;
    RadioFaults f;
    if (why == Why::RefuseFault) f.refuseWriteBlock = 1;
    if (why == Why::IgnoreFault) f.unansweredWriteBlock = 1;
    radio.SetFaults(f);
    int saves = 0;
    radio.SetMemoryWrittenHook([&] { return why != Why::SaveFailed || ++saves > 1; });
    radio.Feed(Cat(Cat(HandshakeRequest(), {0x02}), {0x06}));
    EXPECT_EQ(radio.Feed(WriteRequest(0x0F80, Data16(1))), reply);
    EXPECT_EQ(radio.ReadMemory(0x0F80, 16), Bytes(16, 0xFF)) << reply.size();
    EXPECT_EQ(radio.Feed(WriteRequest(0x0F90, Data16(1))), Bytes{0x06});
    EXPECT_EQ(radio.ReadMemory(0x0F90, 16), Data16(1));
  }
}

// A radio serving for days keeps only its most recent records.
TEST(SimulatedRadio, KeepsABoundedRecord) {
  SimulatedRadio radio;
  radio.Feed(Cat(Cat(HandshakeRequest(), {0x02}), {0x06}));
  for (std::size_t i = 0; i < 3 * kRecordLimit; ++i) radio.Feed(kLive);
  EXPECT_GE(radio.requests().size(), kRecordLimit);
  EXPECT_LE(radio.requests().size(), 2 * kRecordLimit);
  EXPECT_GE(radio.liveCommands().size(), kRecordLimit);
  EXPECT_LE(radio.liveCommands().size(), 2 * kRecordLimit);
  EXPECT_EQ(radio.requests().back().kind, Kind::LiveCommand);
  EXPECT_EQ(radio.CountOf(Kind::Handshake), 0u);  // long gone
}

// The radio that lies: the block is acknowledged, then held wrong or not at all.
TEST(SimulatedRadio, AcknowledgedBlocksCanBeStoredWrongOrNotAtAll) {
  for (const bool corrupt : {true, false}) {
    SimulatedRadio radio;
    RadioFaults f;
    (corrupt ? f.corruptWriteBlock : f.forgetWriteBlock) = 2;
    radio.SetFaults(f);
    radio.Feed(Cat(Cat(HandshakeRequest(), {0x02}), {0x06}));
    EXPECT_EQ(radio.Feed(WriteRequest(0x0F80, Data16(1))), Bytes{0x06});
    EXPECT_EQ(radio.Feed(WriteRequest(0x0F90, Data16(2))), Bytes{0x06});
    EXPECT_EQ(radio.ReadMemory(0x0F80, 16), Data16(1));
    Bytes expected = corrupt ? Data16(2) : Bytes(16, 0xFF);
    if (corrupt) expected[0] ^= 0xFF;
    EXPECT_EQ(radio.ReadMemory(0x0F90, 16), expected) << corrupt;
  }
}

TEST(SimulatedRadio, AddressesAboveEightKiBMirrorButAreEchoed) {
  SimulatedRadio radio;
  radio.SetMemory(Pattern());
  radio.Feed(Cat(Cat(HandshakeRequest(), {0x02}), {0x06}));
  Bytes expected = ReadReply(0x1F80);
  expected[1] = 0x3F;
  EXPECT_EQ(radio.Feed(ReadRequest(0x3F80)), expected);
}

TEST(SimulatedRadio, RecordsRequestsAndLiveCommands) {
  SimulatedRadio radio;
  RadioFaults f;
  f.liveReply = LiveReply::Silent;
  radio.Feed(HandshakeRequest());
  radio.Feed(Bytes{0x02, 0x06});
  radio.Feed(ReadRequest(0x0FC0));
  radio.Feed(Bytes{0x06});
  radio.Feed(kLive);
  radio.SetFaults(f);
  radio.Feed(kLive);

  const auto& r = radio.requests();
  const std::vector<Kind> kinds = {Kind::Handshake,  Kind::Identify, Kind::IdentifyAck,
                                   Kind::ReadBlock,  Kind::ReadAck,  Kind::LiveCommand,
                                   Kind::LiveCommand};
  ASSERT_EQ(r.size(), kinds.size());
  for (std::size_t i = 0; i < r.size(); ++i) {
    EXPECT_EQ(r[i].kind, kinds[i]) << i;
    if (i > 0) {
      EXPECT_LE(r[i - 1].at, r[i].at);
    }
  }
  EXPECT_EQ(r[3].address, 0x0FC0);
  EXPECT_TRUE(r[5].answered);
  EXPECT_FALSE(r[6].answered);
  ASSERT_EQ(radio.liveCommands().size(), 2u);
  EXPECT_EQ(Bytes(radio.liveCommands()[0].bytes.begin(), radio.liveCommands()[0].bytes.end()),
            kLive);
  EXPECT_TRUE(radio.liveCommands()[0].acknowledged);
  EXPECT_FALSE(radio.liveCommands()[1].acknowledged);
  radio.ClearRecords();
  EXPECT_TRUE(radio.requests().empty());
}

// What the transmitter is told: level-table commands key it at their frequency and level, tone
// commands leave it alone, and the block requests of another job unkey it.
TEST(SimulatedRadio, LiveCommandsOfTransmitTablesKeyTheTransmitter) {
  struct Case {
    const char* name;
    Bytes request;
    std::vector<TransmitEvent> events;
  };
  const std::vector<Case> cases = {
      {"high or low power",
       {0xA6, 0x69, 0x80, 0x06, 0x01, 0x45, 0xFF, 0xFF, 0x8C, 0x00},
       {{true, 145, 0x8C}}},
      {"middle power",
       {0xA6, 0x69, 0x80, 0x06, 0x04, 0x35, 0x13, 0x80, 0x0D, 0x40},
       {{true, 435, 0x40}}},
      {"tone", {0xA6, 0x69, 0x80, 0x06, 0x01, 0x45, 0x9E, 0x02, 0x0D, 0x40}, {}},
      {"read block", ReadRequest(0x0FC0), {{}}},
      {"write block", WriteRequest(0x0FC0, Data16(1)), {{}}},
  };
  for (const auto& c : cases) {
    SimulatedRadio radio;
    radio.Feed(HandshakeRequest());
    radio.Feed(Bytes{0x02, 0x06});
    std::vector<TransmitEvent> events;
    radio.SetTransmitHook([&events](const TransmitEvent& e) { events.push_back(e); });
    radio.Feed(c.request);
    ASSERT_EQ(events.size(), c.events.size()) << c.name;
    for (std::size_t i = 0; i < events.size(); ++i) {
      EXPECT_EQ(events[i].keyed, c.events[i].keyed) << c.name;
      EXPECT_EQ(events[i].frequencyMHz, c.events[i].frequencyMHz) << c.name;
      EXPECT_EQ(events[i].level, c.events[i].level) << c.name;
    }
  }
}

TEST(SimulatedRadio, SilentRadioStillCountsHandshakeAttempts) {
  SimulatedRadio radio;
  RadioFaults f;
  f.silent = true;
  radio.SetFaults(f);
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(radio.Feed(HandshakeRequest()).empty());
  EXPECT_EQ(radio.CountOf(Kind::Handshake), 4u);
}

TEST(SimulatedRadio, SettingFaultsLiftsALineDrop) {
  SimulatedRadio radio;
  RadioFaults f;
  f.dropReadBlock = 1;
  f.dropAfterBytes = 0;
  radio.SetFaults(f);
  radio.Feed(Cat(Cat(HandshakeRequest(), {0x02}), {0x06}));
  EXPECT_TRUE(radio.Feed(ReadRequest(0x0F80)).empty());
  EXPECT_TRUE(radio.lineDropped());
  radio.SetFaults({});
  EXPECT_EQ(radio.Feed(HandshakeRequest()), Bytes{0x06});
}

TEST(NibbleSubstitution, MatchesTheTestReferenceForEveryByte) {
  auto Scramble = [](std::uint8_t b) {
    return protocol::SubstituteNibbles(b, protocol::kSubstitution);
  };
  auto Unscramble = [](std::uint8_t b) {
    return protocol::SubstituteNibbles(b, protocol::kInverseSubstitution);
  };
  for (int v = 0; v < 256; ++v) {
    const auto b = static_cast<std::uint8_t>(v);
    EXPECT_EQ(Scramble(b), HostScramble(b)) << v;
    EXPECT_EQ(Unscramble(b), HostUnscramble(b)) << v;
    EXPECT_EQ(Unscramble(Scramble(b)), b) << v;
    EXPECT_NE(Scramble(b), b) << v;
  }
}

TEST(FactoryAlignment, FillsTheDefaultRegionsWithPlausibleValues) {
  const RadioMemory m = FactoryAlignment::Make();
  // Band A high-power table at 0x0F80, receive tuning at 0x0FB0.
  for (int p = 0; p < 16; ++p) {
    EXPECT_GE(m[0x0F80 + p], 0x50);
    EXPECT_LE(m[0x0F80 + p], 0x90);
    EXPECT_LE(m[0x0FB0 + p], 63);
    EXPECT_LE(m[0x1FB0 + p], 63);
    EXPECT_NE(m[0x1F80 + p], 0xFF);
  }
  EXPECT_NE(m[0x0F80], m[0x0F81]);
  EXPECT_EQ(Bytes(m.begin() + 0x0FC0, m.begin() + 0x0FC4), (Bytes{0x09, 0x00, 0x0B, 0x40}));
  EXPECT_EQ(Bytes(m.begin() + 0x0FC4, m.begin() + 0x0FC8), (Bytes{0x49, 0x08, 0x5B, 0x1A}));
  EXPECT_EQ(Bytes(m.begin() + 0x0FCD, m.begin() + 0x0FD0), (Bytes{0x01, 0x36, 0x03}));  // 136, 3
  EXPECT_EQ(Bytes(m.begin() + 0x1FCD, m.begin() + 0x1FD0), (Bytes{0x04, 0x00, 0x05}));  // 400, 5
  EXPECT_EQ(std::string(m.begin() + 0x1FE0, m.begin() + 0x1FE7), "VELMORA");
  EXPECT_EQ(m[0x0000], 0xFF);
  EXPECT_EQ(m[0x0F7F], 0xFF);
}

}  // namespace
}  // namespace velmora::sim
