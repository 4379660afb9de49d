#include <gtest/gtest.h>

#include <cmath>

#include "model/PowerCurve.h"
#include "model/ScpiHeader.h"
#include "model/SimulatedMeter.h"
#include "model/Transmitter.h"

namespace velmora::meter {
namespace {

using std::chrono::milliseconds;

TEST(PowerCurve, RisesSmoothlyAndSaturatesInEveryBandAndRadio) {
  const double frequencies[] = {136, 145, 155.5, 174, 400, 435, 470, 480};
  for (const std::uint64_t seed : {0ull, 1ull, 77ull}) {
    const PowerCurve curve(seed);
    for (const double f : frequencies) {
      double last = curve.Watts(f, 0);
      EXPECT_EQ(last, 0.0);
      for (int level = 1; level <= 255; ++level) {
        const double w = curve.Watts(f, level);
        EXPECT_GT(w, last) << f << " MHz level " << level;
        EXPECT_LT(w - last, 0.2) << "no jumps: " << f << " MHz level " << level;
        last = w;
      }
      // Saturated at the top: the last 20 levels add less than 3 %.
      EXPECT_LT(last - curve.Watts(f, 235), 0.03 * last) << f;
      EXPECT_GT(last, 4.0) << f;
      EXPECT_LT(last, 7.0) << f;
    }
  }
  // Bands, frequencies and radios each have their own curve.
  EXPECT_NE(PowerCurve(0).Watts(145, 120), PowerCurve(0).Watts(435, 120));
  EXPECT_NE(PowerCurve(0).Watts(140, 120), PowerCurve(0).Watts(170, 120));
  EXPECT_NE(PowerCurve(0).Watts(145, 120), PowerCurve(1).Watts(145, 120));
  EXPECT_EQ(PowerCurve(5).Watts(145, 120), PowerCurve(5).Watts(145, 120));
}

TEST(Transmitter, SettlesFirstOrderAndStopsAfterItsHoldTime) {
  Transmitter tx({3, milliseconds(100), std::chrono::seconds(30)});
  const auto t0 = ModelClock::time_point{} + std::chrono::hours(1);
  const double target = tx.curve().Watts(146, 200);
  EXPECT_EQ(tx.Watts(t0), 0.0);
  tx.Key(146, 200, t0);
  EXPECT_EQ(tx.Watts(t0), 0.0);
  EXPECT_NEAR(tx.Watts(t0 + milliseconds(100)), target * (1 - std::exp(-1.0)), 1e-9);
  EXPECT_NEAR(tx.Watts(t0 + milliseconds(1000)), target, target * 1e-4);
  // A new level starts from the power reached, not from nothing.
  const auto t1 = t0 + milliseconds(2000);
  const double lower = tx.curve().Watts(146, 100);
  tx.Key(146, 100, t1);
  EXPECT_NEAR(tx.Watts(t1 + milliseconds(100)), lower + (target - lower) * std::exp(-1.0),
              target * 1e-4);
  EXPECT_GT(tx.Watts(t1 + std::chrono::seconds(29)), 0.0);
  EXPECT_EQ(tx.Watts(t1 + std::chrono::seconds(30)), 0.0);
  tx.Key(146, 100, t1);
  tx.Unkey();
  EXPECT_EQ(tx.Watts(t1 + milliseconds(500)), 0.0);
}

TEST(ScpiHeader, LongAndShortFormsOptionalKeywordsAndSuffixes) {
  const std::vector<std::tuple<const char*, const char*, bool>> cases = {
      {"SENS:FREQ", "[SENSe]:FREQuency:[CW]", true},
      {":sense1:frequency:cw", "[SENSe]:FREQuency:[CW]", true},
      {"FREQ", "[SENSe]:FREQuency:[CW]", true},
      {"SEN:FREQ", "[SENSe]:FREQuency:[CW]", false},
      {"SENS:FREQ?", "[SENSe]:FREQuency:[CW]", false},
      {"READ?", "READ:[SCALar]:[POWer]:[AC]?", true},
      {"READ:POW:AC?", "READ:[SCALar]:[POWer]:[AC]?", true},
      {"*idn?", "*IDN?", true},
      {"SYST:ERR:NEXT?", "SYSTem:ERRor:[NEXT]?", true},
      {"SYST:ERRO?", "SYSTem:ERRor:[NEXT]?", false},
  };
  for (const auto& [header, pattern, match] : cases) {
    EXPECT_EQ(ScpiHeader::Matches(header, pattern), match) << header << " ~ " << pattern;
  }
}

TEST(SimulatedMeter, AnswersSettingsAndErrorsAsAnScpiMeter) {
  SimulatedMeter meter([](ModelClock::time_point) { return 0.5; }, {0.0, 1, {}});
  const auto now = ModelClock::now();
  const std::vector<std::pair<const char*, std::optional<std::string>>> dialogue = {
      {"*IDN?", SimulatedMeter::kIdentification},
      {"UNIT:POW?", "DBM"},
      {"SENS:FREQ 145.5 MHZ", std::nullopt},
      {"SENSE:FREQUENCY?", "+1.455000E+08"},
      {"SENS:AVER:COUN 0", std::nullopt},
      {"SENS:AVER:COUN 2.5", std::nullopt},
      {"BOGUS 1", std::nullopt},
      {"SYST:ERR?", "-222,\"Data out of range\""},
      {"SYST:ERR?", "-224,\"Illegal parameter value\""},
      {"SYST:ERR?", "-113,\"Undefined header\""},
      {"SYST:ERR?", "0,\"No error\""},
      {"CAL:ZERO:AUTO ONCE", std::nullopt},
      {"READ?", "+2.698970E+01"},  // 0.5 W in dBm
      {"UNIT:POW W", std::nullopt},
      {"SENS:CORR:OFFS 3.0103", std::nullopt},
      {"FETC?", "+1.000000E+00"},
      {"*RST", std::nullopt},
      {"MEAS?", "+2.698970E+01"},
  };
  for (const auto& [line, answer] : dialogue) EXPECT_EQ(meter.Handle(line, now), answer) << line;
}

TEST(SimulatedMeter, NoiseShrinksWithAveragingAndStuckRepeats) {
  auto spread = [](int averaging) {
    SimulatedMeter meter([](ModelClock::time_point) { return 1.0; }, {0.02, 9, {}});
    meter.Handle("CAL:ZERO:AUTO ONCE", {});
    meter.Handle("UNIT:POW W", {});
    meter.Handle("SENS:AVER:COUN " + std::to_string(averaging), {});
    double sum = 0, squares = 0;
    const int n = 2000;
    for (int i = 0; i < n; ++i) {
      const double w = std::stod(*meter.Handle("READ?", {}));
      sum += w, squares += w * w;
    }
    const double mean = sum / n;
    EXPECT_NEAR(mean, 1.0, 0.003);
    return std::sqrt(squares / n - mean * mean);
  };
  EXPECT_NEAR(spread(1), 0.02, 0.002);
  EXPECT_NEAR(spread(16), 0.005, 0.0006);

  double power = 1.0;
  MeterFaults stuck;
  stuck.stuck = true;
  SimulatedMeter meter([&power](ModelClock::time_point) { return power; }, {0.0, 0, stuck});
  const auto first = meter.Handle("READ?", {});
  power = 3.0;
  EXPECT_EQ(meter.Handle("READ?", {}), first);
}

}  // namespace
}  // namespace velmora::meter
