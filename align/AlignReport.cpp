#include "align/AlignReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

#include "core/CsvText.h"
#include "res/TableNames.h"

namespace velmora {
namespace {

// Readings to a tenth of a milliwatt and keyed time to the millisecond: what the meter and the
// clock can tell apart, and no digits of rounding noise in the records.
double Watts(double w) { return std::round(w * 1e4) / 1e4; }
double Seconds(double s) { return std::round(s * 1e3) / 1e3; }
QString Time(const QDateTime& t) { return t.toUTC().toString(Qt::ISODateWithMs); }
QString BandKey(int band) {
  return QString::fromLatin1(AlignPlan::kBandKeys.at(std::size_t(band)));
}
QString Table(int table) {
  return QString::fromLatin1(AlignPlan::kTableKeys.at(std::size_t(table)));
}

QJsonObject PointJson(const PointResult& p) {
  QJsonArray tries;
  for (const AlignTry& t : p.tries) {
    QJsonObject o{{"time", Time(t.time)},
                  {"level", t.level},
                  {"live", t.live},
                  {"watts", t.fault.isEmpty() ? QJsonValue(Watts(t.watts)) : QJsonValue()},
                  {"keyedSeconds", Seconds(t.keyedSeconds)}};
    if (!t.fault.isEmpty()) o.insert("fault", t.fault);
    tries.append(o);
  }
  QJsonObject o{{"band", BandKey(p.band)},
                {"table", Table(p.table)},
                {"point", p.point},
                {"mhz", p.mhz},
                {"targetWatts", p.target.watts},
                {"minWatts", p.target.minWatts},
                {"maxWatts", p.target.maxWatts},
                {"oldLevel", p.oldLevel},
                {"newLevel", p.newLevel},
                {"confirmedWatts", p.confirmedWatts ? QJsonValue(Watts(*p.confirmedWatts))
                                                    : QJsonValue(QJsonValue::Null)},
                {"verdict", VerdictName(p.verdict)},
                {"tryCount", int(p.tries.size())},
                {"liveTunes", p.LiveTunes()},
                {"keyedSeconds", Seconds(p.keyedSeconds)},
                {"tries", tries}};
  if (!p.detail.isEmpty()) o.insert("detail", p.detail);
  return o;
}

std::string Number(double value) { return QString::number(value, 'g', 10).toStdString(); }

// Every try as "level:watts", space-separated, in order; "level=watts" for a reading taken
// without a new live tune, "level:-" for one that read nothing.
std::string TryList(const PointResult& p) {
  std::string list;
  for (const AlignTry& t : p.tries) {
    if (!list.empty()) list += ' ';
    list += std::to_string(t.level) + (t.live ? ':' : '=') +
            (t.fault.isEmpty() ? Number(Watts(t.watts)) : std::string("-"));
  }
  return list;
}

}  // namespace

bool AlignReport::AllAligned() const {
  return !points.empty() && std::all_of(points.begin(), points.end(), [](const PointResult& p) {
    return p.verdict == AlignVerdict::Aligned;
  });
}

QByteArray AlignReport::ToJson() const {
  QJsonArray pointArray;
  for (const PointResult& p : points) pointArray.append(PointJson(p));
  QJsonArray stopArray;
  for (const TransmitterStop& s : stops) {
    stopArray.append(QJsonObject{{"after", s.after},
                                 {"at", Time(s.at)},
                                 {"keyedSeconds", s.keyedSeconds},
                                 {"confirmed", s.confirmed}});
  }
  const QJsonObject o{
      {"program", program},
      {"plan", QJsonObject{{"name", planName}, {"sha256", planSha256}}},
      {"port", port},
      {"radio", radio},
      {"meter",
       QJsonObject{{"url", meterUrl},
                   {"identification", meter},
                   {"offsetDb", meterOffsetDb},
                   {"calibrationDue", meterCalibrationDue.isValid()
                                          ? QJsonValue(meterCalibrationDue.toString(Qt::ISODate))
                                          : QJsonValue(QJsonValue::Null)}}},
      {"start", Time(start)},
      {"end", Time(end)},
      {"backup", backupPath.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(backupPath)},
      {"outcome", outcome},
      {"error", error.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(error)},
      {"allAligned", AllAligned()},
      {"transmitterStops", stopArray},
      {"points", pointArray}};
  return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

QByteArray AlignReport::ToCsv() const {
  std::string csv =
      CsvText::Row({"radio", "plan_sha256", "start", "band", "table", "table_name", "point", "mhz",
                    "target_w", "min_w", "max_w", "old_level", "new_level", "confirmed_w",
                    "verdict", "tries", "keyed_s", "try_levels_w", "live_tunes"});
  for (const PointResult& p : points) {
    csv += CsvText::Row(
        {radio.toStdString(), planSha256.toStdString(), Time(start).toStdString(),
         BandKey(p.band).toStdString(), Table(p.table).toStdString(),
         std::string(res::kTableNames.at(std::size_t(p.table))), std::to_string(p.point),
         std::to_string(p.mhz), Number(p.target.watts), Number(p.target.minWatts),
         Number(p.target.maxWatts), std::to_string(p.oldLevel), std::to_string(p.newLevel),
         p.confirmedWatts ? Number(Watts(*p.confirmedWatts)) : std::string(),
         VerdictName(p.verdict).toStdString(), std::to_string(p.tries.size()),
         Number(Seconds(p.keyedSeconds)), TryList(p), std::to_string(p.LiveTunes())});
  }
  return QByteArray::fromStdString(csv);
}

}  // namespace velmora
