// velmora-cli history SERIAL with 100,000 radios stored, in each engine: the median of nine whole
// processes, start-up and exit included, against the target of 100 ms.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "records/RecordStore.h"
#include "tests/support/PostgresServer.h"

namespace {

constexpr int kRadios = 100000;
constexpr int kRuns = 9;
constexpr double kTargetSeconds = 0.100;
const QString kSerial = "SN 054321";

// The rows of kRadios radios, one job each, made by the database itself in one statement; rows
// past kRadios are four more jobs of the radio under test.
QString FillSql(bool postgres) {
  const QString count = QString::number(kRadios + 4), radios = QString::number(kRadios);
  const QString rows = postgres ? "SELECT x FROM generate_series(1, " + count + ") AS x"
                                : "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n"
                                  " WHERE x < " + count + ") SELECT x FROM n";
  const QString number = "CASE WHEN x > " + radios + " THEN 54321 ELSE x - 1 END";
  const QString image = postgres ? "decode(repeat('5a', 308), 'hex')" : "zeroblob(308)";
  const QString serial = postgres ? "'SN ' || lpad((" + number + ")::text, 6, '0')"
                                  : "printf('SN %06d', " + number + ")";
  return "INSERT INTO records (id, station, station_seq, kind, started_utc, ended_utc,"
         " outcome, succeeded, detail, host, bench, operator, version, port, usb_identity,"
         " radio_identification, serial, lot, image_before, image_after, backup_path,"
         " plan_name, plan_sha256, meter_identification, meter_url, previous_hash,"
         " content_hash, forwarded) SELECT 'id-' || x, 'bench', x, 'write',"
         " '2026-12-01T00:00:00.000Z', '2026-12-01T00:00:01.000Z', '成功!', 1, '', 'bench',"
         " '', 'op', '1.0', 'COM1', '', '', " + serial + ", 'WO-1', " + image + ", " + image +
         ", '', '', '', '', '', '', '', 1 FROM (" + rows + ") AS rows";
}

bool Fill(const QString& url, bool postgres) {
  std::string error;
  auto store = velmora::RecordStore::Open(url, error);  // the schema, as the program makes it
  if (!store) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return false;
  }
  QSqlQuery query(QSqlDatabase::database(QSqlDatabase::connectionNames().first()));
  if (!query.exec(FillSql(postgres)) || !query.exec("ANALYZE")) {
    std::fprintf(stderr, "fill: %s\n", qPrintable(query.lastError().text()));
    return false;
  }
  return true;
}

double MedianHistory(const QStringList& args, const QProcessEnvironment& env, int& jobs) {
  std::vector<double> times;
  for (int run = 0; run < kRuns; ++run) {
    QProcess cli;
    cli.setProcessEnvironment(env);
    QElapsedTimer timer;
    timer.start();
    cli.start(VELMORA_CLI_PATH, args);
    cli.waitForFinished(-1);
    times.push_back(timer.nsecsElapsed() / 1e9);
    jobs = int(cli.readAllStandardOutput().count("成功!"));
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  auto env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_DATA_HOME", dir.filePath("data"));
  env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
  const QString bench = dir.filePath("data/Velmora/records/records.sqlite");
  QDir().mkpath(dir.filePath("data/Velmora/records"));
  velmora::test::PostgresServer server;
  const QString why = server.Start();
  if (!why.isEmpty()) {
    std::fprintf(stderr, "PostgreSQL: %s\n", qPrintable(why));
    return 1;
  }
  const QString line = server.NewDatabase();
  if (!Fill(bench, false) || !Fill(line, true)) return 1;
  std::printf("%-24s %10s %6s   (median of %d processes, %d radios stored)\n", "history", "median s",
              "jobs", kRuns, kRadios);
  bool met = true;
  const std::pair<const char*, QStringList> engines[] = {
      {"SQLite (bench)", {"history", kSerial}},
      {"PostgreSQL (line)", {"history", kSerial, "--line", "--records", line}}};
  for (const auto& [name, args] : engines) {
    int jobs = 0;
    const double median = MedianHistory(args, env, jobs);
    met = met && median <= kTargetSeconds && jobs == 5;
    std::printf("%-24s %10.3f %6d\n", name, median, jobs);
  }
  std::printf("target <= %.3f s with 5 jobs found: %s\n", kTargetSeconds, met ? "met" : "missed");
  return met ? 0 : 1;
}
