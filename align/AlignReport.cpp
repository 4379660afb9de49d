#include "align/AlignReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

#include "res/TableNames.h"
#include "core/CsvText.h"

namespace velmora {
namespace {

// Readings to a tenth of a milliwatt and keyed time to the millisecond: what the meter and the
// clock can tell apart, and no digits of rounding noise in the records.
double Watts(double w) { return std::round(w * 1e4) / 1e4; }
double Seconds(double s) { return std::round(s * 1e3) / 1e3; }
QString Time(const QDateTime& t) { return t.toUTC().toString(Qt::ISODateWithMs); }
QString Band(int band) { return QString::fromLatin1(AlignPlan::kBandKeys.at(std::size_t(band))); }
QString Table(int table) {
  return QString::fromLatin1(AlignPlan::kTableKeys.at(std::size_t(table)));
}

QJsonObject PointJson(const PointResult& p) {
  QJsonArray tries;
  for (const AlignTry& t : p.tries) {
    tries.append(QJsonObject{{"time", Time(t.time)},
                             {"level", t.level},
                             {"watts", Watts(t.watts)},
                             {"keyedSeconds", Seconds(t.keyedSeconds)}});
  }
  QJsonObject o{{"band", Band(p.band)},
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
                {"keyedSeconds", Seconds(p.keyedSeconds)},
                {"tries", tries}};
  if (!p.detail.isEmpty()) o.insert("detail", p.detail);
  return o;
}

std::string Number(double value) { return QString::number(value, 'g', 10).toStdString(); }

// Every try as "level:watts", space-separated, in order.
std::string TryList(const PointResult& p) {
  std::string list;
  for (const AlignTry& t : p.tries) {
    if (!list.empty()) list += ' ';
    list += std::to_string(t.level) + ':' + Number(Watts(t.watts));
  }
  return list;
}

}  // namespace

bool AlignReport::AllAligned() const {
  return std::all_of(points.begin(), points.end(),
                     [](const PointResult& p) { return p.verdict == AlignVerdict::Aligned; });
}

QByteArray AlignReport::ToJson() const {
  QJsonArray pointArray;
  for (const PointResult& p : points) pointArray.append(PointJson(p));
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
      {"allAligned", AllAligned()},
      {"points", pointArray}};
  return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

QByteArray AlignReport::ToCsv() const {
  std::string csv =
      CsvText::Row({"radio", "plan_sha256", "start", "band", "table", "table_name", "point", "mhz",
                    "target_w", "min_w", "max_w", "old_level", "new_level", "confirmed_w",
                    "verdict", "tries", "keyed_s", "try_levels_w"});
  for (const PointResult& p : points) {
    csv += CsvText::Row({radio.toStdString(), planSha256.toStdString(), Time(start).toStdString(),
                         Band(p.band).toStdString(), Table(p.table).toStdString(),
                         std::string(res::kTableNames.at(std::size_t(p.table))),
                         std::to_string(p.point), std::to_string(p.mhz), Number(p.target.watts),
                         Number(p.target.minWatts), Number(p.target.maxWatts),
                         std::to_string(p.oldLevel), std::to_string(p.newLevel),
                         p.confirmedWatts ? Number(Watts(*p.confirmedWatts)) : std::string(),
                         VerdictName(p.verdict).toStdString(), std::to_string(p.tries.size()),
                         Number(Seconds(p.keyedSeconds)), TryList(p)});
  }
  return QByteArray::fromStdString(csv);
}

}  // namespace velmora
