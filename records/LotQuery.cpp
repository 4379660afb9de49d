#include "records/LotQuery.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <algorithm>
#include <map>

#include "records/PointReadings.h"

namespace velmora {
namespace {

// A point's key as one number to group the point rows by.
constexpr const char* kKeySql =
    "(CASE p.band WHEN 'A' THEN 0 ELSE 1 END) * 10000 + p.tbl * 100 + p.point";

LotPointKey KeyOf(int number) { return {number / 10000, number / 100 % 100, number % 100}; }

struct Selection {
  QString where;
  QVariantList values;
};

Selection Select(const RecordFilter& filter) {
  QStringList where = {"r.kind = 'align'"};
  QVariantList values;
  auto add = [&](const std::string& value, const char* condition) {
    if (value.empty()) return;
    where << condition;
    values << QString::fromStdString(value);
  };
  add(filter.since, "r.started_utc >= ?");
  add(filter.until, "r.started_utc < ?");
  add(filter.lot, "r.lot = ?");
  add(filter.station, "r.station = ?");
  return {" WHERE " + where.join(" AND "), values};
}

bool Run(QSqlQuery& query, const QString& sql, const Selection& selection, const QString& tail,
         std::string& error) {
  query.setForwardOnly(true);
  query.prepare(sql + selection.where + tail);
  for (const QVariant& v : selection.values) query.addBindValue(v);
  if (query.exec()) return true;
  error = query.lastError().text().toStdString();
  return false;
}

double Seconds(const QString& from, const QString& to) {
  const QDateTime start = QDateTime::fromString(from, Qt::ISODateWithMs);
  const QDateTime end = QDateTime::fromString(to, Qt::ISODateWithMs);
  return start.isValid() && end.isValid() ? start.msecsTo(end) / 1000.0 : 0.0;
}

// Every radio once, at its latest alignment, with that alignment's points as stored in its row.
std::vector<QByteArray> LoadRadios(QSqlQuery& query, LotData& lot) {
  std::map<std::string, std::size_t> bySerial;
  std::vector<QByteArray> latest;
  while (query.next()) {
    const std::string serial = query.value(0).toString().toStdString();
    auto [at, added] = bySerial.try_emplace(serial, lot.radios.size());
    if (added) {
      lot.radios.push_back({serial, {}, {}, 0, query.value(4).toInt() != 0, 0, {}});
      latest.emplace_back();
    }
    LotRadio& radio = lot.radios[at->second];
    radio.station = query.value(1).toString().toStdString();
    radio.startedUtc = query.value(2).toString().toStdString();
    radio.seconds += Seconds(query.value(2).toString(), query.value(3).toString());
    ++radio.alignments;
    latest[at->second] = query.value(5).toByteArray();
  }
  return latest;
}

// The points' frequencies and targets, from the lot's latest records when they hold every point.
bool LoadPoints(QSqlQuery& query, const Selection& selection, const QString& from,
                std::string& error, LotData& lot) {
  if (!Run(query,
           QString("SELECT %1, MIN(p.mhz), MIN(p.target_watts), MIN(p.window_watts) FROM"
                   " alignment_points p WHERE p.record_id IN (SELECT r.id FROM records r")
               .arg(kKeySql),
           selection, from + ") GROUP BY 1 ORDER BY 1", error)) {
    return false;
  }
  lot.points.clear();
  while (query.next()) {
    lot.points.push_back({KeyOf(query.value(0).toInt()), query.value(1).toDouble(),
                          query.value(2).toDouble(), query.value(3).toDouble()});
  }
  return true;
}

enum class Filled { Done, UnknownPoint, Damaged };

// Each radio's packed points as readings numbered by the lot's points; a flat table of every
// key a packed point can hold finds a point's number without a search.
Filled FillReadings(const std::vector<QByteArray>& latest, LotData& lot, std::string& damaged) {
  auto slot = [](const LotPointKey& k) {
    return std::size_t((k.band * 256 + k.table) * 256 + k.point);
  };
  std::vector<int> number(2 * 256 * 256, -1);
  for (std::size_t i = 0; i < lot.points.size(); ++i) {
    const LotPointKey& k = lot.points[i].key;
    if (k.band < 2 && k.table < 256 && k.point < 256) number[slot(k)] = int(i);
  }
  std::vector<KeyedPointReading> unpacked;
  for (std::size_t radio = 0; radio < latest.size(); ++radio) {
    unpacked.clear();
    const bool whole = PointReadings::Unpack(latest[radio], unpacked);
    if (!whole || std::any_of(unpacked.begin(), unpacked.end(),
                              [](const KeyedPointReading& k) { return k.key.band > 1; })) {
      damaged = lot.radios[radio].serial;
      return Filled::Damaged;
    }
    auto& readings = lot.radios[radio].readings;
    readings.clear();
    readings.reserve(unpacked.size());
    for (KeyedPointReading& k : unpacked) {
      k.reading.point = number[slot(k.key)];
      if (k.reading.point < 0) {
        damaged = lot.radios[radio].serial;  // when not even every record's points hold it
        return Filled::UnknownPoint;
      }
      readings.push_back(k.reading);
    }
  }
  return Filled::Done;
}

constexpr const char* kLatestRecords = " ORDER BY r.seq DESC LIMIT 100";

}  // namespace

LotData LotQuery::Load(RecordStore& store, const RecordFilter& filter, std::string& error) {
  LotData lot;
  const Selection selection = Select(filter);
  QSqlQuery records(store.Db());
  if (!Run(records,
           "SELECT r.serial, r.station, r.started_utc, r.ended_utc, r.succeeded, r.point_readings"
           " FROM records r",
           selection, " ORDER BY r.started_utc, r.seq", error)) {
    return {};
  }
  const std::vector<QByteArray> latest = LoadRadios(records, lot);
  QSqlQuery points(store.Db());
  if (!LoadPoints(points, selection, kLatestRecords, error, lot)) return {};
  std::string damaged;
  Filled filled = FillReadings(latest, lot, damaged);
  if (filled == Filled::UnknownPoint) {
    if (!LoadPoints(points, selection, "", error, lot)) return {};
    filled = FillReadings(latest, lot, damaged);
  }
  if (filled != Filled::Done) {
    error = "the stored points of radio " + damaged + " are damaged";
    return {};
  }
  return lot;
}

}  // namespace velmora
