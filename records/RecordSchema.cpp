#include "records/RecordSchema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <vector>

#include "records/PointReadings.h"

namespace velmora {
namespace {

bool Exec(QSqlQuery& query, const QString& sql, std::string& error) {
  if (query.exec(sql)) return true;
  error = query.lastError().text().toStdString() + " (" + sql.left(60).toStdString() + ")";
  return false;
}

bool Refused(const QSqlQuery& query, std::string& error) {
  error = query.lastError().text().toStdString();
  return false;
}

// Records packed per pass of the backfill: a line's years of records never sit in memory at once.
constexpr int kBackfillChunk = 1000;

using PackedChunk = std::vector<std::pair<QVariant, std::vector<AlignmentPointRow>>>;

// The point rows of the records numbered (after, last], grouped by record; last is 0 when none is.
bool ReadChunk(QSqlDatabase db, long long after, long long& last, PackedChunk& chunk,
               std::string& error) {
  QSqlQuery query(db);
  query.prepare(QString("SELECT MAX(seq) FROM (SELECT seq FROM records WHERE seq > ? ORDER BY seq"
                        " LIMIT %1) AS chunk")
                    .arg(kBackfillChunk));
  query.addBindValue(after);
  if (!query.exec() || !query.next()) return Refused(query, error);
  last = query.value(0).toLongLong();
  query.finish();
  query.prepare(
      "SELECT p.record_id, p.band, p.tbl, p.point, p.new_level, p.live_tunes,"
      " p.confirmed_watts, p.verdict FROM alignment_points p JOIN records r"
      " ON r.id = p.record_id WHERE r.seq > ? AND r.seq <= ? ORDER BY r.seq, p.idx");
  query.addBindValue(after);
  query.addBindValue(last);
  if (!query.exec()) return Refused(query, error);
  while (query.next()) {
    if (chunk.empty() || chunk.back().first != query.value(0))
      chunk.push_back({query.value(0), {}});
    AlignmentPointRow& p = chunk.back().second.emplace_back();
    p.band = query.value(1).toString().toStdString();
    p.table = query.value(2).toInt();
    p.point = query.value(3).toInt();
    p.newLevel = query.value(4).toInt();
    p.liveTunes = query.value(5).toInt();
    p.confirmedWatts = query.value(6).toDouble();
    p.verdict = query.value(7).toString().toStdString();
  }
  return true;
}

// Each older record's points packed into its row from its point rows.
bool BackfillPointReadings(QSqlDatabase db, std::string& error) {
  QSqlQuery update(db);
  for (long long after = 0;;) {
    long long last = 0;
    PackedChunk chunk;
    if (!ReadChunk(db, after, last, chunk, error)) return false;
    if (last == 0) return true;
    update.prepare("UPDATE records SET point_readings = ? WHERE id = ?");
    for (const auto& [id, points] : chunk) {
      update.addBindValue(PointReadings::Pack(points));
      update.addBindValue(id);
      if (!update.exec()) return Refused(update, error);
    }
    after = last;
  }
}

struct Step {
  QStringList sql;
  bool (*fill)(QSqlDatabase db, std::string& error) = nullptr;
};

// Step n brings a database from version n to n + 1. %KEY% and %BLOB% differ between engines.
const std::vector<Step> kSteps = {
    {{
        "CREATE TABLE records (seq %KEY%, id TEXT NOT NULL UNIQUE, station TEXT NOT NULL,"
        " station_seq BIGINT NOT NULL, kind TEXT NOT NULL, started_utc TEXT NOT NULL,"
        " ended_utc TEXT NOT NULL, outcome TEXT NOT NULL, succeeded INTEGER NOT NULL,"
        " detail TEXT NOT NULL, host TEXT NOT NULL, bench TEXT NOT NULL, operator TEXT NOT NULL,"
        " version TEXT NOT NULL, port TEXT NOT NULL, usb_identity TEXT NOT NULL,"
        " radio_identification TEXT NOT NULL, serial TEXT NOT NULL, lot TEXT NOT NULL,"
        " image_before %BLOB%, image_after %BLOB%, backup_path TEXT NOT NULL,"
        " plan_name TEXT NOT NULL, plan_sha256 TEXT NOT NULL, meter_identification TEXT NOT NULL,"
        " meter_url TEXT NOT NULL, previous_hash TEXT NOT NULL, content_hash TEXT NOT NULL,"
        " forwarded INTEGER NOT NULL DEFAULT 0, UNIQUE (station, station_seq))",
        "CREATE TABLE alignment_points (record_id TEXT NOT NULL REFERENCES records (id),"
        " idx INTEGER NOT NULL, band TEXT NOT NULL, tbl INTEGER NOT NULL, point INTEGER NOT NULL,"
        " mhz DOUBLE PRECISION NOT NULL, target_watts DOUBLE PRECISION NOT NULL,"
        " window_watts DOUBLE PRECISION NOT NULL, old_level INTEGER NOT NULL,"
        " new_level INTEGER NOT NULL, confirmed_watts DOUBLE PRECISION NOT NULL,"
        " live_tunes INTEGER NOT NULL, readings INTEGER NOT NULL, verdict TEXT NOT NULL,"
        " PRIMARY KEY (record_id, idx))",
        "CREATE INDEX records_by_serial ON records (serial, started_utc)",
        "CREATE INDEX records_by_start ON records (started_utc)",
        "CREATE INDEX records_waiting ON records (forwarded, seq)",
    }},
    // A lot's statistics read each alignment's points from its own row: no join over every point.
    {{"ALTER TABLE records ADD COLUMN point_readings %BLOB%"}, BackfillPointReadings},
};

// The version the database holds; 0 for a new one.
bool StoredVersion(QSqlDatabase db, int& version, std::string& error) {
  QSqlQuery query(db);
  if (!db.tables().contains("velmora_schema")) {
    version = 0;
    return Exec(query, "CREATE TABLE velmora_schema (version INTEGER NOT NULL)", error) &&
           Exec(query, "INSERT INTO velmora_schema VALUES (0)", error);
  }
  if (!Exec(query, "SELECT version FROM velmora_schema", error)) return false;
  version = query.next() ? query.value(0).toInt() : 0;
  return true;
}

bool Upgrade(QSqlDatabase db, bool postgres, std::string& error) {
  int version = 0;
  if (!StoredVersion(db, version, error)) return false;
  if (version > RecordSchema::kVersion) {
    error = "the records database has schema version " + std::to_string(version) +
            ", newer than this program's version " + std::to_string(RecordSchema::kVersion) +
            "; use a newer Velmora";
    return false;
  }
  QSqlQuery query(db);
  for (int step = version; step < RecordSchema::kVersion; ++step) {
    const Step& next = kSteps[std::size_t(step)];
    for (QString sql : next.sql) {
      sql.replace("%KEY%",
                  postgres ? "BIGSERIAL PRIMARY KEY" : "INTEGER PRIMARY KEY AUTOINCREMENT");
      sql.replace("%BLOB%", postgres ? "BYTEA" : "BLOB");
      if (!Exec(query, sql, error)) return false;
    }
    if (next.fill && !next.fill(db, error)) return false;
  }
  return version == RecordSchema::kVersion ||
         Exec(query, QString("UPDATE velmora_schema SET version = %1").arg(RecordSchema::kVersion),
              error);
}

}  // namespace

bool RecordSchema::Migrate(QSqlDatabase db, bool postgres, std::string& error) {
  QSqlQuery query(db);
  // Nearly every open finds the schema current: one plain read, no lock, no transaction.
  if (query.exec("SELECT version FROM velmora_schema") && query.next() &&
      query.value(0).toInt() == kVersion) {
    return true;
  }
  query.finish();
  // One writer at a time decides and migrates: a second program waits, then finds it done.
  if (!Exec(query, postgres ? "BEGIN" : "BEGIN IMMEDIATE", error)) return false;
  if (postgres && !Exec(query, "SELECT pg_advisory_xact_lock(7301)", error)) {
    query.exec("ROLLBACK");
    return false;
  }
  if (!Upgrade(db, postgres, error)) {
    query.exec("ROLLBACK");
    return false;
  }
  return Exec(query, "COMMIT", error);
}

}  // namespace velmora
