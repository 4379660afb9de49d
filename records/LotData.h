#pragma once

#include <compare>
#include <string>
#include <vector>

namespace velmora {

// A transmit point of a lot: band ("A" 0, "B" 1), table and point.
struct LotPointKey {
  int band = 0;
  int table = 0;
  int point = 0;
  auto operator<=>(const LotPointKey&) const = default;
};

struct LotPoint {
  LotPointKey key;
  double mhz = 0;
  double targetWatts = 0;
  double windowWatts = 0;  // half the width of the accepted readings
  bool operator==(const LotPoint&) const = default;
};

// One point of a radio's alignment; point is the index into the lot's points.
struct LotReading {
  int point = 0;
  int level = 0;
  double confirmedWatts = 0;
  int liveTunes = 0;
  bool aligned = false;
  bool operator==(const LotReading&) const = default;
};

// A radio of the lot as its latest alignment left it, and what all its alignments cost.
struct LotRadio {
  std::string serial;
  std::string station;
  std::string startedUtc;  // of the latest alignment
  int alignments = 0;
  bool firstPassed = false;  // its first alignment succeeded
  double seconds = 0;        // every alignment's, retries included
  std::vector<LotReading> readings;
  bool operator==(const LotRadio&) const = default;
};

// A lot's alignments in the order they were made.
struct LotData {
  std::vector<LotPoint> points;  // ordered by key
  std::vector<LotRadio> radios;  // by the latest alignment's start
  bool operator==(const LotData&) const = default;
};

}  // namespace velmora
