#include "records/LotQuery.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <map>
#include <unordered_map>

namespace velmora {
namespace {

// A point's key as one number, so that a lot's hundred thousands of rows carry no text.
constexpr const char* kKeySql =
    "(CASE p.band WHEN 'A' THEN 0 ELSE 1 END) * 10000 + p.tbl * 100 + p.point";
// A point counts as aligned by the search's own verdict name or a record's summary of it.
constexpr const char* kAlignedSql = "CASE WHEN p.verdict IN ('aligned', 'pass') THEN 1 ELSE 0 END";

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

// Every radio once, at its latest alignment; the record numbers of those alignments.
std::unordered_map<long long, std::size_t> LoadRadios(QSqlQuery& query, LotData& lot) {
  std::unordered_map<long long, std::size_t> latest;
  std::map<std::string, std::size_t> bySerial;
  std::vector<long long> latestSeq;
  while (query.next()) {
    const std::string serial = query.value(1).toString().toStdString();
    auto [at, added] = bySerial.try_emplace(serial, lot.radios.size());
    if (added) {
      lot.radios.push_back({serial, {}, {}, 0, query.value(5).toInt() != 0, 0, {}});
      latestSeq.push_back(0);
    }
    LotRadio& radio = lot.radios[at->second];
    radio.station = query.value(2).toString().toStdString();
    radio.startedUtc = query.value(3).toString().toStdString();
    radio.seconds += Seconds(query.value(3).toString(), query.value(4).toString());
    ++radio.alignments;
    latestSeq[at->second] = query.value(0).toLongLong();
  }
  for (std::size_t i = 0; i < latestSeq.size(); ++i) latest.emplace(latestSeq[i], i);
  return latest;
}

}  // namespace

LotData LotQuery::Load(RecordStore& store, const RecordFilter& filter, std::string& error) {
  LotData lot;
  const Selection selection = Select(filter);
  QSqlQuery records(store.Db());
  if (!Run(records,
           "SELECT r.seq, r.serial, r.station, r.started_utc, r.ended_utc, r.succeeded"
           " FROM records r",
           selection, " ORDER BY r.started_utc, r.seq", error)) {
    return {};
  }
  const auto latest = LoadRadios(records, lot);
  QSqlQuery points(store.Db());
  if (!Run(points,
           QString("SELECT %1, MIN(p.mhz), MIN(p.target_watts), MIN(p.window_watts) FROM"
                   " alignment_points p JOIN records r ON r.id = p.record_id")
               .arg(kKeySql),
           selection, " GROUP BY 1 ORDER BY 1", error)) {
    return {};
  }
  std::unordered_map<int, int> pointIndex;
  while (points.next()) {
    pointIndex.emplace(points.value(0).toInt(), int(lot.points.size()));
    lot.points.push_back({KeyOf(points.value(0).toInt()), points.value(1).toDouble(),
                          points.value(2).toDouble(), points.value(3).toDouble()});
  }
  QSqlQuery readings(store.Db());
  if (!Run(readings,
           QString("SELECT r.seq, %1, p.new_level, p.confirmed_watts, p.live_tunes,"
                   " %2 FROM alignment_points p JOIN records r ON r.id = p.record_id")
               .arg(kKeySql, kAlignedSql),
           selection, "", error)) {
    return {};
  }
  while (readings.next()) {
    const auto radio = latest.find(readings.value(0).toLongLong());
    if (radio == latest.end()) continue;  // an earlier alignment of a radio aligned again
    lot.radios[radio->second].readings.push_back(
        {pointIndex.at(readings.value(1).toInt()), readings.value(2).toInt(),
         readings.value(3).toDouble(), readings.value(4).toInt(), readings.value(5).toInt() != 0});
  }
  return lot;
}

}  // namespace velmora
