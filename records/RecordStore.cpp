#include "records/RecordStore.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>
#include <QUrlQuery>
#include <QUuid>
#include <atomic>
#include <chrono>
#include <thread>
#include <unordered_map>

#include "records/PointReadings.h"
#include "records/RecordDigest.h"
#include "records/RecordSchema.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace velmora {
namespace {

// How long a writer waits for another process's transaction on the bench's file.
constexpr int kBusyTimeoutMs = 30000;
// How often a fresh file's journal set-up is tried again while another process sets it up too.
constexpr std::chrono::milliseconds kBusyRetry{10};
// How long a line's server may take to accept a connection.
constexpr int kConnectTimeoutSeconds = 3;

struct TextColumn {
  const char* name;
  std::string ProductionRecord::*field;
};

// Every text field in the order of the table's columns.
constexpr TextColumn kText[] = {
    {"id", &ProductionRecord::id},
    {"kind", &ProductionRecord::kind},
    {"started_utc", &ProductionRecord::startedUtc},
    {"ended_utc", &ProductionRecord::endedUtc},
    {"outcome", &ProductionRecord::outcome},
    {"detail", &ProductionRecord::detail},
    {"host", &ProductionRecord::host},
    {"bench", &ProductionRecord::bench},
    {"operator", &ProductionRecord::operatorName},
    {"version", &ProductionRecord::version},
    {"port", &ProductionRecord::port},
    {"usb_identity", &ProductionRecord::usbIdentity},
    {"radio_identification", &ProductionRecord::radioIdentification},
    {"serial", &ProductionRecord::serial},
    {"lot", &ProductionRecord::lot},
    {"backup_path", &ProductionRecord::backupPath},
    {"plan_name", &ProductionRecord::planName},
    {"plan_sha256", &ProductionRecord::planSha256},
    {"meter_identification", &ProductionRecord::meterIdentification},
    {"meter_url", &ProductionRecord::meterUrl},
    {"previous_hash", &ProductionRecord::previousHash},
    {"content_hash", &ProductionRecord::contentHash},
};

QByteArray Blob(const std::vector<std::uint8_t>& bytes) {
  return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

std::vector<std::uint8_t> Bytes(const QVariant& value) {
  const QByteArray raw = value.toByteArray();
  return {raw.begin(), raw.end()};
}

QString Columns() {
  QStringList names = {"station", "station_seq", "succeeded", "image_before", "image_after"};
  for (const auto& column : kText) names << column.name;
  return names.join(", ");
}

bool Fail(const QSqlQuery& query, std::string& error) {
  error = query.lastError().text().toStdString();
  return false;
}

// Switching a file to WAL takes its exclusive lock, and SQLite answers "locked" at once, without
// its busy wait, while other processes open the same new file: wait for them here instead.
bool SetUpJournal(QSqlQuery& query) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
  for (;;) {
    if (query.exec("PRAGMA journal_mode=WAL") && query.exec("PRAGMA synchronous=FULL")) return true;
    const QString code = query.lastError().nativeErrorCode();
    const bool busy = code == QLatin1String("5") || code == QLatin1String("6");
    if (!busy || std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(kBusyRetry);
  }
}

bool Fail(const QSqlDatabase& db, std::string& error) {
  error = db.lastError().text().toStdString();
  return false;
}

// The SQLite file is made by us, private, before the driver opens it.
void CreatePrivately(const QString& path) {
#ifndef _WIN32
  const int fd = ::open(QFile::encodeName(path).constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
  if (fd >= 0) ::close(fd);
#else
  (void)path;
#endif
}

bool Configure(QSqlDatabase& db, const QString& url, std::string& error) {
  const QUrl parsed(url);
  if (!parsed.isValid() || parsed.path().size() < 2) {
    error = "not a database URL: " + url.toStdString();
    return false;
  }
  const QString socketDir = QUrlQuery(parsed).queryItemValue("host", QUrl::FullyDecoded);
  db.setHostName(socketDir.isEmpty() ? parsed.host() : socketDir);
  if (parsed.port() > 0) db.setPort(parsed.port());
  db.setUserName(parsed.userName());
  db.setPassword(parsed.password());
  db.setDatabaseName(parsed.path().mid(1));
  db.setConnectOptions(QString("connect_timeout=%1").arg(kConnectTimeoutSeconds));
  return true;
}

// Every record's points as packed in its row, by id, to check against its point rows.
std::unordered_map<std::string, QByteArray> PackedById(const QSqlDatabase& db, std::string& error) {
  std::unordered_map<std::string, QByteArray> packed;
  QSqlQuery query(db);
  query.setForwardOnly(true);
  if (!query.exec("SELECT id, point_readings FROM records")) Fail(query, error);
  while (query.next()) {
    packed[query.value(0).toString().toStdString()] = query.value(1).toByteArray();
  }
  return packed;
}

}  // namespace

bool RecordStore::IsServerUrl(const QString& url) {
  return url.startsWith("postgresql://") || url.startsWith("postgres://");
}

std::unique_ptr<RecordStore> RecordStore::Open(const QString& url, std::string& error) {
  static std::atomic<int> serial{0};
  const QString connection = QString("velmora-records-%1").arg(++serial);
  const bool server = IsServerUrl(url);
  std::unique_ptr<RecordStore> store(
      new RecordStore(server ? Engine::Postgres : Engine::Sqlite, connection));
  QSqlDatabase db = QSqlDatabase::addDatabase(server ? "QPSQL" : "QSQLITE", connection);
  if (!db.isValid()) {
    error = "no Qt SQL driver for " + std::string(server ? "PostgreSQL" : "SQLite");
    return nullptr;
  }
  if (server) {
    if (!Configure(db, url, error)) return nullptr;
  } else {
    CreatePrivately(url);
    db.setDatabaseName(url);
    db.setConnectOptions(QString("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
  }
  if (!db.open()) {
    Fail(db, error);
    return nullptr;
  }
  QSqlQuery query(db);
  // A record is on the disk when its commit returns; readers never wait for a writer.
  if (!server && !SetUpJournal(query)) {
    Fail(query, error);
    return nullptr;
  }
  if (!RecordSchema::Migrate(db, server, error)) return nullptr;
  return store;
}

RecordStore::RecordStore(Engine engine, QString connection)
    : m_engine(engine), m_connection(std::move(connection)) {}

RecordStore::~RecordStore() {
  QSqlDatabase::database(m_connection, false).close();
  QSqlDatabase::removeDatabase(m_connection);
}

QSqlDatabase RecordStore::Db() const { return QSqlDatabase::database(m_connection, false); }

bool RecordStore::Begin(std::string& error) {
  QSqlQuery query(Db());
  // Taking the write lock first: a deferred transaction that reads and then writes cannot wait
  // for another writer and would fail with "database is locked".
  if (!query.exec(m_engine == Engine::Sqlite ? "BEGIN IMMEDIATE" : "BEGIN")) {
    return Fail(query, error);
  }
  return true;
}

bool RecordStore::Insert(const ProductionRecord& r, Duplicate duplicate, std::string& error) {
  QStringList marks;
  for (int i = 0; i < 6 + int(std::size(kText)); ++i) marks << "?";
  QSqlQuery query(Db());
  query.prepare("INSERT INTO records (" + Columns() + ", point_readings) VALUES (" +
                marks.join(",") + ")" +
                (duplicate == Duplicate::Keep ? " ON CONFLICT (id) DO NOTHING" : ""));
  query.addBindValue(QString::fromStdString(r.Station()));
  query.addBindValue(r.stationSequence);
  query.addBindValue(r.succeeded ? 1 : 0);
  query.addBindValue(Blob(r.imageBefore));
  query.addBindValue(Blob(r.imageAfter));
  for (const auto& column : kText) query.addBindValue(QString::fromStdString(r.*column.field));
  query.addBindValue(PointReadings::Pack(r.points));
  if (!query.exec()) return Fail(query, error);
  if (query.numRowsAffected() == 0) return true;  // held already, with its points
  QSqlQuery point(Db());
  point.prepare("INSERT INTO alignment_points VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
  for (std::size_t i = 0; i < r.points.size(); ++i) {
    const AlignmentPointRow& p = r.points[i];
    for (const QVariant& v : QVariantList{
             QString::fromStdString(r.id), int(i), QString::fromStdString(p.band), p.table,
             p.point, p.mhz, p.targetWatts, p.windowWatts, p.oldLevel, p.newLevel,
             p.confirmedWatts, p.liveTunes, p.readings, QString::fromStdString(p.verdict)}) {
      point.addBindValue(v);
    }
    if (!point.exec()) return Fail(point, error);
  }
  return true;
}

bool RecordStore::Add(ProductionRecord& record, std::string& error) {
  if (record.id.empty()) record.id = QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
  if (!Begin(error)) return false;
  QSqlQuery last(Db());
  last.prepare("SELECT station_seq, content_hash FROM records WHERE station = ?"
               " ORDER BY station_seq DESC LIMIT 1");
  last.addBindValue(QString::fromStdString(record.Station()));
  bool ok = last.exec() || Fail(last, error);
  if (ok) {
    const bool any = last.next();
    record.stationSequence = any ? last.value(0).toLongLong() + 1 : 1;
    record.previousHash = any ? last.value(1).toString().toStdString() : std::string();
    record.contentHash = RecordDigest::Hash(record);
    last.finish();
    ok = Insert(record, Duplicate::Refuse, error);
  }
  if (ok && Db().commit()) return true;
  if (ok) Fail(Db(), error);
  Db().rollback();
  return false;
}

bool RecordStore::Receive(const ProductionRecord& record, std::string& error) {
  // Two benches' programs may forward the same record at once: the second insert finds the id
  // taken and keeps the first copy, in either engine.
  if (!Begin(error)) return false;
  if (Insert(record, Duplicate::Keep, error) && Db().commit()) return true;
  if (error.empty()) Fail(Db(), error);
  Db().rollback();
  return false;
}

std::vector<ProductionRecord> RecordStore::Load(const QString& where, const QVariantList& values,
                                                const QString& order, std::string& error) {
  std::vector<ProductionRecord> records;
  QSqlQuery query(Db());
  query.setForwardOnly(true);
  query.prepare("SELECT " + Columns() + " FROM records" + (where.isEmpty() ? "" : " WHERE " + where) +
                " ORDER BY " + order);
  for (const QVariant& v : values) query.addBindValue(v);
  if (!query.exec()) {
    Fail(query, error);
    return records;
  }
  while (query.next()) {
    ProductionRecord r;
    r.stationSequence = query.value(1).toLongLong();
    r.succeeded = query.value(2).toInt() != 0;
    r.imageBefore = Bytes(query.value(3));
    r.imageAfter = Bytes(query.value(4));
    for (int i = 0; i < int(std::size(kText)); ++i)
      r.*kText[i].field = query.value(5 + i).toString().toStdString();
    records.push_back(std::move(r));
  }
  if (records.empty()) return records;
  // Every record's points in one query: a round trip per record would cost a line's history.
  std::unordered_map<std::string, ProductionRecord*> byId;
  for (auto& r : records) byId[r.id] = &r;
  QSqlQuery points(Db());
  points.setForwardOnly(true);
  points.prepare("SELECT record_id, band, tbl, point, mhz, target_watts, window_watts, old_level,"
                 " new_level, confirmed_watts, live_tunes, readings, verdict FROM alignment_points"
                 " WHERE record_id IN (SELECT id FROM records" +
                 (where.isEmpty() ? "" : " WHERE " + where) + ") ORDER BY record_id, idx");
  for (const QVariant& v : values) points.addBindValue(v);
  if (!points.exec()) {
    Fail(points, error);
    return {};
  }
  while (points.next()) {
    auto v = [&](int i) { return points.value(i); };
    const auto owner = byId.find(v(0).toString().toStdString());
    if (owner == byId.end()) continue;  // beyond a LIMIT
    owner->second->points.push_back({v(1).toString().toStdString(), v(2).toInt(), v(3).toInt(),
                                     v(4).toDouble(), v(5).toDouble(), v(6).toDouble(),
                                     v(7).toInt(), v(8).toInt(), v(9).toDouble(), v(10).toInt(),
                                     v(11).toInt(), v(12).toString().toStdString()});
  }
  return records;
}

std::vector<ProductionRecord> RecordStore::Unforwarded(int limit, std::string& error) {
  return Load("forwarded = 0", {}, QString("seq LIMIT %1").arg(limit), error);
}

bool RecordStore::MarkForwarded(const std::string& id, std::string& error) {
  QSqlQuery query(Db());
  query.prepare("UPDATE records SET forwarded = 1 WHERE id = ?");
  query.addBindValue(QString::fromStdString(id));
  return query.exec() || Fail(query, error);
}

std::optional<long long> RecordStore::UnforwardedCount(std::string& error) {
  QSqlQuery query(Db());
  if (!query.exec("SELECT COUNT(*) FROM records WHERE forwarded = 0") || !query.next()) {
    Fail(query, error);
    return std::nullopt;
  }
  return query.value(0).toLongLong();
}

std::vector<ProductionRecord> RecordStore::History(const std::string& serial,
                                                   std::string& error) {
  return Load("serial = ?", {QString::fromStdString(serial)}, "started_utc DESC, seq DESC", error);
}

std::vector<ProductionRecord> RecordStore::Select(const RecordFilter& filter, std::string& error) {
  QStringList where;
  QVariantList values;
  auto add = [&](const std::string& value, const char* condition) {
    if (value.empty()) return;
    where << condition;
    values << QString::fromStdString(value);
  };
  add(filter.since, "started_utc >= ?");
  add(filter.until, "started_utc < ?");
  add(filter.lot, "lot = ?");
  add(filter.station, "station = ?");
  return Load(where.join(" AND "), values, "started_utc, seq", error);
}

ChainCheck RecordStore::Verify(std::string& error) {
  ChainCheck check;
  const auto records = Load({}, {}, "station, station_seq", error);
  auto packed = PackedById(Db(), error);
  std::string station, previous;
  long long expected = 0;
  for (const auto& r : records) {
    if (r.Station() != station) {
      station = r.Station();
      previous.clear();
      expected = 1;
    }
    ++check.checked;
    if (r.stationSequence != expected || r.previousHash != previous) {
      check.reason = "its link to the station's previous record is broken";
    } else if (RecordDigest::Hash(r) != r.contentHash) {
      check.reason = "its content does not match its hash";
    } else if (packed[r.id] != PointReadings::Pack(r.points)) {
      // Derived from the hashed point rows, so not hashed itself, but statistics trust it.
      check.reason = "its points packed for statistics differ from its point rows";
    }
    if (!check.reason.empty()) {
      check.firstBadId = r.id;
      return check;
    }
    previous = r.contentHash;
    ++expected;
  }
  return check;
}

}  // namespace velmora
