#include <gtest/gtest.h>

#include <functional>

#include "instrument/PowerMeter.h"
#include "instrument/SimLink.h"
#include "tests/instrument/FakeInstrumentLink.h"

namespace velmora {
namespace {

using test::FakeInstrumentLink;
using test::FakeLinkScript;

const QByteArray kNoError = "0,\"No error\"\n";

MeterDialect Scpi() {
  QString error;
  return *MeterDialect::Find(QString::fromLatin1(MeterDialect::kDefault), error);
}

struct Fixture {
  FakeLinkScript script;
  ScpiChannel channel{std::make_unique<FakeInstrumentLink>(script), QStringLiteral("meter")};
  PowerMeter meter{channel, Scpi()};
};

// What each step sends, byte for byte, and how it takes the answers it is given.
struct StepCase {
  const char* name;
  std::function<bool(PowerMeter&)> step;
  QByteArrayList answers;
  QByteArray sent;
  bool succeeds;
  const char* errorText;  // part of the message on failure
};

TEST(PowerMeter, StepsSendTheirCommandsAndCheckTheErrorQueue) {
  const std::vector<StepCase> cases = {
      {"setup",
       [](PowerMeter& m) {
         return m.Setup({16, 20.5});
       },
       {kNoError},
       "*RST\n*CLS\nCONF:POW\nUNIT:POW W\nSENS:AVER:COUN 16\nSENS:CORR:OFFS 20.50\nSYST:ERR?\n",
       true,
       ""},
      {"setup, two errors queued",
       [](PowerMeter& m) {
         return m.Setup({1, 0});
       },
       {"-222,\"Data out of range\"\r\n", "-113,\"Undefined header\"\n", kNoError},
       "*RST\n*CLS\nCONF:POW\nUNIT:POW W\nSENS:AVER:COUN 1\nSENS:CORR:OFFS 0.00\n"
       "SYST:ERR?\nSYST:ERR?\nSYST:ERR?\n",
       false,
       "meter reports: -222,\"Data out of range\"; -113,\"Undefined header\""},
      {"frequency",
       [](PowerMeter& m) { return m.SetFrequency(145.125e6); },
       {"+0,\"No error\"\n"},
       "SENS:FREQ 145125000\nSYST:ERR?\n",
       true,
       ""},
      {"zero waits for completion",
       [](PowerMeter& m) { return m.Zero(); },
       {"1\n", kNoError},
       "CAL:ZERO:AUTO ONCE\n*OPC?\nSYST:ERR?\n",
       true,
       ""},
      {"error queue unanswered",
       [](PowerMeter& m) { return m.SetFrequency(435e6); },
       {},
       "SENS:FREQ 435000000\nSYST:ERR?\n",
       false,
       "meter did not answer SYST:ERR? within 3 s"},
      {"identify",
       [](PowerMeter& m) { return m.Identify() == QStringLiteral("ACME,PM1,123,2.0"); },
       {"ACME,PM1,123,2.0\r\n"},
       "*IDN?\n",
       true,
       ""},
      // Only four printable fields, maker and model named, are a meter's identification.
      {"a web server's answer",
       [](PowerMeter& m) { return m.Identify().has_value(); },
       {"HTTP/1.1 400 Bad Request\r\n"},
       "*IDN?\n",
       false,
       "answered *IDN? with \"HTTP/1.1 400 Bad Request\", not a meter's identification"},
      {"three fields",
       [](PowerMeter& m) { return m.Identify().has_value(); },
       {"ACME,PM1,123\n"},
       "*IDN?\n",
       false,
       "not a meter's identification"},
      {"no maker",
       [](PowerMeter& m) { return m.Identify().has_value(); },
       {",PM1,123,2.0\n"},
       "*IDN?\n",
       false,
       "not a meter's identification"},
      {"control sequences",
       [](PowerMeter& m) { return m.Identify().has_value(); },
       {"ACME\x1b]0;x\x07,PM1,1,2\n"},
       "*IDN?\n",
       false,
       "with \"ACME\\e]0;x\\x07,PM1,1,2\", not"},
  };
  for (const auto& c : cases) {
    Fixture f;
    f.script.chunks = c.answers;
    EXPECT_EQ(c.step(f.meter), c.succeeds) << c.name;
    EXPECT_EQ(f.script.written, c.sent) << c.name;
    EXPECT_TRUE(f.meter.error().contains(QString::fromUtf8(c.errorText)))
        << c.name << ": " << f.meter.error().toStdString();
  }
}

struct ReadingCase {
  QByteArrayList answer;  // as it arrives, chunk by chunk
  std::optional<double> watts;
  PowerMeter::Fault fault;
  const char* errorText;
};

// Only a finite, positive reading above the sensor's floor is power; the rest are named faults,
// quoted with the raw answer, escaped. Zero and the floor mean nothing reaches the sensor.
TEST(PowerMeter, ReadingsInScientificNotationAndTheirFaults) {
  using F = PowerMeter::Fault;
  const QByteArray endless(ScpiChannel::kMostAnswerBytes / 2 + 1, '7');
  const std::vector<ReadingCase> cases = {
      {{"+3.141500E+00\n"}, 3.1415, F::None, ""},
      {{"2.5e-3\r\n"}, 0.0025, F::None, ""},
      {{"+4.0", "0000E", "+00\n"}, 4.0, F::None, ""},  // an answer in pieces
      {{" 12\n"}, 12.0, F::None, ""},
      {{"1.2e-9\n"}, 1.2e-9, F::None, ""},  // just above the floor
      {{"9.9E37\n"}, std::nullopt, F::Meter, "with \"9.9E37\": over range"},
      {{"+9.91000E+37\n"}, std::nullopt, F::Meter, "over range"},
      {{"-9.91000E+37\n"}, std::nullopt, F::Meter, "over range"},
      {{"INF\n"}, std::nullopt, F::Meter, "with \"INF\": not a reading"},
      {{"1e999\n"}, std::nullopt, F::Meter, "with \"1e999\": not a reading"},
      {{"NAN\n"}, std::nullopt, F::Meter, "answered READ? with \"NAN\": not a reading"},
      {{"-5\n"}, std::nullopt, F::Meter, "with \"-5\": no power is negative"},
      {{"-1e-12\n"}, std::nullopt, F::Meter, "negative"},
      {{"0\n"}, std::nullopt, F::NoSignal, "with \"0\": at the sensor's floor"},
      {{"-0.0\n"}, std::nullopt, F::NoSignal, "no signal"},
      {{"1E-320\n"}, std::nullopt, F::NoSignal, "with \"1E-320\": at the sensor's floor"},
      {{"1.0E-09\n"}, std::nullopt, F::NoSignal, "no signal"},
      {{"-113,\"Undefined header\"\n"}, std::nullopt, F::Meter, "answered READ? with"},
      {{"\x1b]0;owned\x07\x1b[2J1\n"}, std::nullopt, F::Meter, "with \"\\e]0;owned\\x07\\e[2J1\""},
      {{"+1.0E+00"}, std::nullopt, F::Meter, "did not answer READ? within 3 s"},  // no terminator
      {{}, std::nullopt, F::Meter, "did not answer READ?"},
      // An answer that never ends fails at the cap, not at its timeout.
      {{endless, endless, endless, "\n"}, std::nullopt, F::Meter, "with more than 65536 bytes"},
  };
  for (const auto& c : cases) {
    Fixture f;
    f.script.chunks = c.answer;
    const auto watts = f.meter.ReadWatts();
    const std::string name = c.answer.join("|").left(40).toStdString();
    EXPECT_EQ(f.script.written, "READ?\n") << name;
    EXPECT_EQ(watts.has_value(), c.watts.has_value()) << name;
    if (watts && c.watts) {
      EXPECT_DOUBLE_EQ(*watts, *c.watts) << name;
    }
    EXPECT_EQ(f.meter.fault(), c.fault) << name;
    EXPECT_TRUE(f.meter.error().contains(QString::fromUtf8(c.errorText)))
        << name << ": " << f.meter.error().toStdString();
    for (const QChar ch : f.meter.error()) EXPECT_GE(ch.unicode(), 0x20) << name;
  }
}

// The floor is the sensor's: an attenuator's offset raises the reading the floor shows as.
TEST(PowerMeter, TheFloorFollowsTheOffset) {
  Fixture f;
  f.script.chunks = {kNoError, "1.0E-06\n", "1.5E-06\n"};
  ASSERT_TRUE(f.meter.Setup({1, 30.0}));
  EXPECT_FALSE(f.meter.ReadWatts());
  EXPECT_EQ(f.meter.fault(), PowerMeter::Fault::NoSignal) << f.meter.error().toStdString();
  EXPECT_EQ(f.meter.ReadWatts(), 1.5e-6);
  EXPECT_EQ(f.meter.fault(), PowerMeter::Fault::None);
}

TEST(PowerMeter, PartOfAnAnswerAfterItsTimeoutIsNotTakenForTheNext) {
  Fixture f;
  f.script.chunks = {"+1.0E+0", ""};
  EXPECT_FALSE(f.meter.ReadWatts());
  EXPECT_EQ(f.script.clears, 1);
  f.script.chunks = {"+3.0E+00\n"};
  EXPECT_EQ(f.meter.ReadWatts(), 3.0);
}

TEST(PowerMeter, ADialectIsDataAndMissingCommandsAreRefused) {
  QString error;
  const QByteArray json = R"({"description": "x", "identify": "ID?", "reset": "RS",
      "clearStatus": "CS", "configure": "PWR", "unitsWatts": "UW", "averaging": "AV {count}",
      "offset": "OF {db}DB", "frequency": "FR {hz}HZ", "zero": "Z", "waitDone": "W?",
      "read": "MEAS?", "nextError": "ERR?"})";
  const auto dialect = MeterDialect::FromJson("other", json, error);
  ASSERT_TRUE(dialect) << error.toStdString();
  FakeLinkScript script;
  ScpiChannel channel(std::make_unique<FakeInstrumentLink>(script), QStringLiteral("m"));
  PowerMeter meter(channel, *dialect);
  script.chunks = {"0,\"\"\n", "0\n", "1.5\n"};
  EXPECT_TRUE(meter.Setup({4, -1.25}));
  EXPECT_TRUE(meter.SetFrequency(1e9));
  EXPECT_EQ(meter.ReadWatts(), 1.5);
  EXPECT_EQ(script.written,
            "RS\nCS\nPWR\nUW\nAV 4\nOF -1.25DB\nERR?\nFR 1000000000HZ\nERR?\nMEAS?\n");

  EXPECT_FALSE(MeterDialect::FromJson("broken", R"({"identify": "*IDN?"})", error));
  EXPECT_TRUE(error.contains("no \"reset\" command")) << error.toStdString();
  EXPECT_FALSE(MeterDialect::Find(QStringLiteral("nope"), error));
  EXPECT_TRUE(error.contains("scpi-1999"));
}

// The role against the simulated meter: what one says the other understands.
struct SimCase {
  const char* name;
  meter::MeterFaults faults;
  bool setupSucceeds;
  std::optional<double> watts;
  const char* errorText;
  double sourceWatts = 2.0;
};

TEST(PowerMeter, AgainstTheSimulatedMeter) {
  const double kWatts = 2.0;
  const std::vector<SimCase> cases = {
      {"good", {}, true, kWatts * 10.0, ""},  // 10 dB attenuator offset
      {"error queued", {false, -241, false, false, {}}, false, {}, "-241,\"Hardware missing\""},
      {"over range", {false, 0, true, false, {}}, true, {}, "over range"},
      {"nothing at the sensor", {}, true, {}, "no signal", 0.0},
      {"silent", {true, 0, false, false, {}}, false, {}, "did not answer SYST:ERR?"},
  };
  for (const auto& c : cases) {
    meter::MeterSettings settings;
    settings.faults = c.faults;
    settings.noise = 0.01;
    ScpiChannel channel(std::make_unique<SimLink>(
                            [&](meter::ModelClock::time_point) { return c.sourceWatts; }, settings),
                        QStringLiteral("sim"));
    PowerMeter meter(channel, Scpi());
    ASSERT_TRUE(channel.Open());
    EXPECT_EQ(meter.Setup({100, 10.0}), c.setupSucceeds) << c.name;
    if (!c.setupSucceeds) {
      EXPECT_TRUE(meter.error().contains(QString::fromUtf8(c.errorText))) << c.name;
      continue;
    }
    ASSERT_TRUE(meter.Zero()) << c.name;
    const auto watts = meter.ReadWatts();
    ASSERT_EQ(watts.has_value(), c.watts.has_value()) << c.name;
    // Averaging 100 leaves 0.1 % noise: 0.5 % is five standard deviations.
    if (watts) {
      EXPECT_NEAR(*watts, *c.watts, *c.watts * 0.005) << c.name;
    }
    EXPECT_TRUE(meter.error().contains(QString::fromUtf8(c.errorText))) << c.name;
  }
}

}  // namespace
}  // namespace velmora
