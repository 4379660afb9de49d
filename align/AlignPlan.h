#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <optional>
#include <vector>

namespace velmora {

// The power a transmit table is aligned to, and the readings accepted as aligned, in watts.
struct PowerTarget {
  double watts = 0;
  double minWatts = 0;
  double maxWatts = 0;
};

// What a production line fixes before keying a radio: the meter, the targets, which points
// and the limits no search may cross. Read from a JSON file; the hash names the exact file.
struct AlignPlan {
  static constexpr int kTransmitTables = 3;  // high, middle and low power
  static constexpr int kBands = 2;
  enum class Points { InsideTransmitLimits, All, Listed };
  // How a level's second reading is taken: while the radio still transmits it, or by a new tune.
  enum class Confirm { Reading, Retune };

  struct Meter {
    QString url;  // empty: given when the run starts
    QString dialect;
    double offsetDb = 0;     // attenuator between radio and sensor
    double maxInputDbm = 0;  // at the sensor
    int averaging = 1;
    int settleMs = 0;
  };
  struct Safety {
    int maxLevel = 0;  // the highest level ever sent
    int maxStep = 0;   // between two tries of a point
    int maxTries = 0;  // per point, the confirming reading included
    double maxKeyedSecondsPerTable = 0;
    double coolDownSeconds = 0;
  };

  QString name;
  QString sha256;  // of the file's bytes, lowercase hex
  Meter meter;
  std::array<std::array<std::optional<PowerTarget>, kTransmitTables>, kBands> targets;
  Points points = Points::InsideTransmitLimits;
  std::vector<int> listedPoints;  // with Points::Listed
  Safety safety;
  Confirm confirm = Confirm::Reading;

  // The highest power the radio may give without overdriving the sensor behind the attenuator.
  double MaxRadioWatts() const;

  static constexpr std::array<const char*, kBands> kBandKeys = {"A", "B"};
  static constexpr std::array<const char*, kTransmitTables> kTableKeys = {"high", "middle", "low"};
};

// A plan, or the reason the file is not one (naming the field).
struct AlignPlanParse {
  std::optional<AlignPlan> plan;
  QString error;
};

}  // namespace velmora
