#include "records/LotQuery.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <algorithm>
#include <cstdlib>
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

// Each record's points as one text of two whole numbers per point: the key, level, live tunes
// and verdict packed into one, and the confirmed power in microwatts. A lot's hundred thousands
// of point rows cross the driver as a value per radio, and no engine formats a fraction.
QString ReadingsSql(RecordStore::Engine engine) {
  const QString item =
      QString(
          "CAST(((CAST(%1 AS BIGINT) * 65536 + p.new_level) * 65536 + p.live_tunes) * 2 + %2"
          " AS TEXT)"
          " || ' ' || CAST(CAST(ROUND(p.confirmed_watts * 1000000) AS BIGINT) AS TEXT)")
          .arg(kKeySql, kAlignedSql);
  const QString all = engine == RecordStore::Engine::Sqlite ? "group_concat(" + item + ", ' ')"
                                                            : "string_agg(" + item + ", ' ')";
  return "SELECT r.seq, " + all + " FROM records r JOIN alignment_points p ON p.record_id = r.id";
}

struct KeyedReading {
  std::size_t radio;
  int key;
  LotReading reading;
};

void Parse(const QByteArray& text, std::size_t radio, std::vector<KeyedReading>& out) {
  const char* at = text.constData();
  char* end = nullptr;
  for (;;) {
    const long long packed = std::strtoll(at, &end, 10);
    if (end == at) return;
    LotReading r;
    r.aligned = packed & 1;
    r.liveTunes = int(packed >> 1 & 0xFFFF);
    r.level = int(packed >> 17 & 0xFFFF);
    r.confirmedWatts = double(std::strtoll(end, &end, 10)) / 1e6;
    out.push_back({radio, int(packed >> 33), r});
    at = end;
  }
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

constexpr const char* kLatestRecords = " ORDER BY r.seq DESC LIMIT 100";

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
  QSqlQuery readings(store.Db());
  if (!Run(readings, ReadingsSql(store.engine()), selection, " GROUP BY r.seq", error)) return {};
  std::vector<KeyedReading> keyed;
  while (readings.next()) {
    const auto radio = latest.find(readings.value(0).toLongLong());
    if (radio == latest.end()) continue;  // an earlier alignment of a radio aligned again
    Parse(readings.value(1).toString().toLatin1(), radio->second, keyed);
  }
  QSqlQuery points(store.Db());
  if (!LoadPoints(points, selection, kLatestRecords, error, lot)) return {};
  std::unordered_map<int, int> pointIndex;
  auto index = [&] {
    pointIndex.clear();
    for (std::size_t i = 0; i < lot.points.size(); ++i) {
      const LotPointKey& k = lot.points[i].key;
      pointIndex.emplace(k.band * 10000 + k.table * 100 + k.point, int(i));
    }
  };
  index();
  const bool missing = std::any_of(keyed.begin(), keyed.end(),
                                   [&](const KeyedReading& k) { return !pointIndex.count(k.key); });
  if (missing) {
    if (!LoadPoints(points, selection, "", error, lot)) return {};
    index();
  }
  for (KeyedReading& k : keyed) {
    k.reading.point = pointIndex.at(k.key);
    lot.radios[k.radio].readings.push_back(k.reading);
  }
  return lot;
}

}  // namespace velmora
