#include "records/RecordSchema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <vector>

namespace velmora {
namespace {

// Step n brings a database from version n to n + 1. %KEY% and %BLOB% differ between engines.
const std::vector<QStringList> kSteps = {
    {
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
    },
};

bool Exec(QSqlQuery& query, const QString& sql, std::string& error) {
  if (query.exec(sql)) return true;
  error = query.lastError().text().toStdString() + " (" + sql.left(60).toStdString() + ")";
  return false;
}

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
    for (QString sql : kSteps[std::size_t(step)]) {
      sql.replace("%KEY%", postgres ? "BIGSERIAL PRIMARY KEY" : "INTEGER PRIMARY KEY AUTOINCREMENT");
      sql.replace("%BLOB%", postgres ? "BYTEA" : "BLOB");
      if (!Exec(query, sql, error)) return false;
    }
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
