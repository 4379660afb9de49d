#pragma once

#include <optional>
#include <string>
#include <vector>

#include "records/DriftCusum.h"
#include "records/LotData.h"

namespace velmora {

struct PointStatistics {
  LotPoint point;
  int n = 0;
  double levelMedian = 0;
  double levelMad = 0;  // median absolute deviation, unscaled
  double wattsMean = 0;
  double wattsSigma = 0;
  std::optional<double> cpk;  // none when every confirmed power is the same
  double liveTunes = 0;       // per alignment of this point
};

// A radio with a level far from its lot's: the point where it lies farthest.
struct OutlierRadio {
  std::size_t radio = 0;
  int point = 0;
  int level = 0;
  double mads = 0;  // how far, in the point's MADs
};

struct DriftAlarmAt {
  std::size_t fromRadio = 0;  // index into the lot's radios: the first after the step
  std::size_t atRadio = 0;    // the radio that raised it
  double shift = 0;           // in the offset's units (the points' robust sigmas)
};

// One station's radios in order, each one's offset from the lot and the CUSUM over them.
struct StationDrift {
  std::string station;
  std::vector<std::size_t> radios;  // indices into the lot's radios, outliers left out
  std::vector<double> offsets;
  std::vector<DriftCusum::Step> steps;
  double sigma = 0;
  std::vector<DriftAlarmAt> alarms;
};

struct LotSummary {
  std::size_t radios = 0;
  double firstPassYield = 0;
  double liveTunesPerPoint = 0;
  double secondsPerRadio = 0;
  std::vector<PointStatistics> points;
  std::vector<OutlierRadio> outliers;
  std::vector<StationDrift> drift;
};

// A lot's process statistics: per point, its outlier radios and each station's drift.
class LotStatistics {
 public:
  // A radio is an outlier beyond this many MADs at any point (see the README).
  static constexpr double kOutlierMads = 6.0;
  // A point's MAD is at least this many levels: levels are whole numbers, and a tight lot's MAD
  // of one level would make one step of noise an outlier.
  static constexpr double kMinimumMad = 1.0;

  static LotSummary Summarise(const LotData& lot);
};

}  // namespace velmora
