#include "records/LotStatistics.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace velmora {
namespace {

// A MAD times this is a normal distribution's sigma.
constexpr double kMadToSigma = 1.4826;

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  const auto middle = values.begin() + long(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  if (values.size() % 2) return *middle;
  return (*middle + *std::max_element(values.begin(), middle)) / 2;
}

struct PointSamples {
  std::vector<double> levels, watts;
  long long tunes = 0;
};

PointStatistics Describe(const LotPoint& point, const PointSamples& samples) {
  PointStatistics s;
  s.point = point;
  s.n = int(samples.levels.size());
  if (samples.levels.empty()) return s;
  s.levelMedian = Median(samples.levels);
  std::vector<double> deviations;
  for (double level : samples.levels) deviations.push_back(std::abs(level - s.levelMedian));
  s.levelMad = Median(deviations);
  double sum = 0, squares = 0;
  for (double w : samples.watts) sum += w;
  s.wattsMean = sum / double(samples.watts.size());
  for (double w : samples.watts) squares += (w - s.wattsMean) * (w - s.wattsMean);
  s.wattsSigma =
      samples.watts.size() > 1 ? std::sqrt(squares / double(samples.watts.size() - 1)) : 0;
  if (s.wattsSigma > 0) {
    const double upper = point.targetWatts + point.windowWatts - s.wattsMean;
    const double lower = s.wattsMean - (point.targetWatts - point.windowWatts);
    s.cpk = std::min(upper, lower) / (3 * s.wattsSigma);
  }
  s.liveTunes = double(samples.tunes) / double(samples.levels.size());
  return s;
}

double Spread(const PointStatistics& s) { return std::max(s.levelMad, LotStatistics::kMinimumMad); }

std::vector<OutlierRadio> FindOutliers(const LotData& lot,
                                       const std::vector<PointStatistics>& stats) {
  std::vector<OutlierRadio> outliers;
  for (std::size_t r = 0; r < lot.radios.size(); ++r) {
    OutlierRadio worst;
    worst.radio = r;
    for (const LotReading& reading : lot.radios[r].readings) {
      if (!reading.aligned) continue;
      const PointStatistics& s = stats[std::size_t(reading.point)];
      const double mads = std::abs(reading.level - s.levelMedian) / Spread(s);
      if (mads > worst.mads) worst = {r, reading.point, reading.level, mads};
    }
    if (worst.mads > LotStatistics::kOutlierMads) outliers.push_back(worst);
  }
  return outliers;
}

// The radio's mean level offset from the lot, each point's in that point's robust sigmas.
double Offset(const LotRadio& radio, const std::vector<PointStatistics>& stats) {
  double sum = 0;
  int n = 0;
  for (const LotReading& reading : radio.readings) {
    if (!reading.aligned) continue;
    const PointStatistics& s = stats[std::size_t(reading.point)];
    sum += (reading.level - s.levelMedian) / (kMadToSigma * Spread(s));
    ++n;
  }
  return n ? sum / n : 0;
}

std::vector<StationDrift> TrackDrift(const LotData& lot, const std::vector<PointStatistics>& stats,
                                     const std::vector<OutlierRadio>& outliers) {
  std::vector<bool> odd(lot.radios.size());
  for (const OutlierRadio& o : outliers) odd[o.radio] = true;
  std::vector<StationDrift> stations;
  std::map<std::string, std::size_t> byName;
  for (std::size_t r = 0; r < lot.radios.size(); ++r) {
    if (odd[r]) continue;
    const auto [at, added] = byName.try_emplace(lot.radios[r].station, stations.size());
    if (added) stations.emplace_back().station = lot.radios[r].station;
    stations[at->second].radios.push_back(r);
    stations[at->second].offsets.push_back(Offset(lot.radios[r], stats));
  }
  for (StationDrift& station : stations) {
    station.sigma = DriftCusum::ShortTermSigma(station.offsets);
    DriftCusum cusum(station.sigma);
    for (double offset : station.offsets) {
      if (const auto alarm = cusum.Add(offset)) {
        station.alarms.push_back(
            {station.radios[alarm->start], station.radios[alarm->at], alarm->shift});
      }
    }
    station.steps = cusum.steps();
  }
  return stations;
}

}  // namespace

LotSummary LotStatistics::Summarise(const LotData& lot) {
  LotSummary summary;
  summary.radios = lot.radios.size();
  std::vector<PointSamples> samples(lot.points.size());
  long long readings = 0, tunes = 0, firstPassed = 0;
  double seconds = 0;
  for (const LotRadio& radio : lot.radios) {
    firstPassed += radio.firstPassed;
    seconds += radio.seconds;
    for (const LotReading& reading : radio.readings) {
      ++readings;
      tunes += reading.liveTunes;
      if (!reading.aligned) continue;
      PointSamples& s = samples[std::size_t(reading.point)];
      s.levels.push_back(reading.level);
      s.watts.push_back(reading.confirmedWatts);
      s.tunes += reading.liveTunes;
    }
  }
  for (std::size_t p = 0; p < lot.points.size(); ++p)
    summary.points.push_back(Describe(lot.points[p], samples[p]));
  if (!lot.radios.empty()) {
    summary.firstPassYield = double(firstPassed) / double(lot.radios.size());
    summary.secondsPerRadio = seconds / double(lot.radios.size());
  }
  summary.liveTunesPerPoint = readings ? double(tunes) / double(readings) : 0;
  summary.outliers = FindOutliers(lot, summary.points);
  summary.drift = TrackDrift(lot, summary.points, summary.outliers);
  return summary;
}

}  // namespace velmora
