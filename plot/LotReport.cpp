#include "plot/LotReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <cstdio>

#include "core/CsvText.h"

namespace velmora {
namespace {

constexpr const char* kTables[] = {"high", "middle", "low"};

QJsonValue Cpk(const PointStatistics& s) { return s.cpk ? QJsonValue(*s.cpk) : QJsonValue(); }

}  // namespace

std::optional<LotReport::Format> LotReport::FormatOf(const std::string& path) {
  auto endsWith = [&](const std::string& end) {
    return path.size() >= end.size() &&
           path.compare(path.size() - end.size(), end.size(), end) == 0;
  };
  if (endsWith(".html") || endsWith(".htm")) return Format::Html;
  if (endsWith(".csv")) return Format::Csv;
  if (endsWith(".json")) return Format::Json;
  return std::nullopt;
}

std::string LotReport::Title(const RecordFilter& filter) {
  std::string title = "Lot statistics";
  if (!filter.lot.empty()) title += ": lot " + filter.lot;
  if (!filter.since.empty()) title += ", since " + filter.since;
  if (!filter.station.empty()) title += ", station " + filter.station;
  return title;
}

std::string LotReport::Text(Format format) const {
  switch (format) {
    case Format::Html:
      return Html();
    case Format::Csv:
      return Csv();
    case Format::Json:
      break;
  }
  return QJsonDocument(Json()).toJson(QJsonDocument::Indented).toStdString();
}

std::string LotReport::Fixed(double value, int decimals) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string LotReport::PointName(const LotPointKey& key) {
  return std::string(key.band ? "B" : "A") + " " + kTables[key.table % 3] + " " +
         std::to_string(key.point);
}

QJsonObject LotReport::Json() const {
  QJsonArray points, outliers, drift;
  for (const PointStatistics& s : m_summary.points) {
    points.append(QJsonObject{{"band", s.point.key.band ? "B" : "A"},
                              {"table", s.point.key.table},
                              {"point", s.point.key.point},
                              {"mhz", s.point.mhz},
                              {"targetWatts", s.point.targetWatts},
                              {"windowWatts", s.point.windowWatts},
                              {"n", s.n},
                              {"levelMedian", s.levelMedian},
                              {"levelMad", s.levelMad},
                              {"wattsMean", s.wattsMean},
                              {"wattsSigma", s.wattsSigma},
                              {"cpk", Cpk(s)},
                              {"liveTunes", s.liveTunes}});
  }
  for (const OutlierRadio& o : m_summary.outliers) {
    const PointStatistics& s = m_summary.points[std::size_t(o.point)];
    outliers.append(QJsonObject{{"serial", QString::fromStdString(Serial(o.radio))},
                                {"point", QString::fromStdString(PointName(s.point.key))},
                                {"level", o.level},
                                {"median", s.levelMedian},
                                {"mads", o.mads}});
  }
  for (const StationDrift& station : m_summary.drift) {
    QJsonArray steps;
    for (const DriftAlarmAt& a : station.alarms) {
      steps.append(QJsonObject{{"fromSerial", QString::fromStdString(Serial(a.fromRadio))},
                               {"raisedAtSerial", QString::fromStdString(Serial(a.atRadio))},
                               {"shift", a.shift}});
    }
    drift.append(QJsonObject{{"station", QString::fromStdString(station.station)},
                             {"radios", int(station.radios.size())},
                             {"sigma", station.sigma},
                             {"steps", steps}});
  }
  return {{"radios", int(m_summary.radios)},
          {"firstPassYield", m_summary.firstPassYield},
          {"liveTunesPerPoint", m_summary.liveTunesPerPoint},
          {"secondsPerRadio", m_summary.secondsPerRadio},
          {"outlierMads", LotStatistics::kOutlierMads},
          {"points", points},
          {"outliers", outliers},
          {"drift", drift}};
}

std::string LotReport::Csv() const {
  std::string csv =
      CsvText::Row({"band", "table", "point", "mhz", "target_w", "window_w", "n", "level_median",
                    "level_mad", "watts_mean", "watts_sigma", "cpk", "live_tunes"});
  for (const PointStatistics& s : m_summary.points) {
    csv += CsvText::Row({s.point.key.band ? "B" : "A", kTables[s.point.key.table % 3],
                         std::to_string(s.point.key.point), Fixed(s.point.mhz, 4),
                         Fixed(s.point.targetWatts, 3), Fixed(s.point.windowWatts, 3),
                         std::to_string(s.n), Fixed(s.levelMedian, 1), Fixed(s.levelMad, 1),
                         Fixed(s.wattsMean, 4), Fixed(s.wattsSigma, 4),
                         s.cpk ? Fixed(*s.cpk, 2) : "", Fixed(s.liveTunes, 2)});
  }
  return csv;
}

std::string LotReport::Line() const {
  std::size_t steps = 0;
  for (const StationDrift& station : m_summary.drift) steps += station.alarms.size();
  return std::to_string(m_summary.radios) + " radios, first-pass yield " +
         Fixed(100 * m_summary.firstPassYield, 1) + " %, " +
         std::to_string(m_summary.outliers.size()) + " outlier radios, " + std::to_string(steps) +
         " drift steps";
}

}  // namespace velmora
