// Times `velmora-cli stats` as a whole process over a lot of 10,000 simulated radios (96 points
// each) in the bench's SQLite file and in a PostgreSQL server of the benchmark's own, against the
// limit of two seconds; and, inside that, the records' query and the statistics alone.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "records/LotQuery.h"
#include "records/LotStatistics.h"
#include "tests/support/PostgresServer.h"
#include "tests/support/SimulatedLotRecords.h"

using namespace velmora;
using namespace velmora::test;

namespace {

constexpr int kRadios = 10000;
constexpr int kRuns = 3;
constexpr double kLimitSeconds = 2.0;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

LotRecipe Recipe() {
  LotRecipe recipe;
  recipe.radios = kRadios;
  for (int radio = 250; radio < kRadios; radio += 500) recipe.oddRadios.insert(radio);
  recipe.stepAfter = kRadios / 2;
  return recipe;
}

double TimeCommand(const QString& url, const QString& output) {
  std::vector<double> times;
  for (int run = 0; run < kRuns; ++run) {
    QProcess cli;
    QElapsedTimer timer;
    timer.start();
    cli.start(VELMORA_CLI_PATH, {"stats", "--records", url, "--lot", "WO-2026-12", "-o", output});
    if (!cli.waitForFinished(60000) || cli.exitCode() != 0) {
      std::fprintf(stderr, "stats failed: %s\n", cli.readAllStandardError().constData());
      return -1;
    }
    times.push_back(timer.nsecsElapsed() / 1e9);
  }
  return Median(times);
}

double TimeInProcess(const QString& url) {
  std::vector<double> times;
  std::string error;
  auto store = RecordStore::Open(url, error);
  for (int run = 0; store && run < kRuns; ++run) {
    QElapsedTimer timer;
    timer.start();
    const LotData lot = LotQuery::Load(*store, {"", "", "WO-2026-12", ""}, error);
    const LotSummary summary = LotStatistics::Summarise(lot);
    times.push_back(timer.nsecsElapsed() / 1e9);
    if (summary.radios != std::size_t(kRadios)) return -1;
  }
  return times.empty() ? -1 : Median(times);
}

bool Measure(const char* engine, const QString& url, const QString& folder) {
  std::string error;
  auto store = RecordStore::Open(url, error);
  if (!store) {
    std::fprintf(stderr, "%s: %s\n", engine, error.c_str());
    return false;
  }
  QElapsedTimer timer;
  timer.start();
  error = WriteLot(*store, Recipe());
  store.reset();
  if (!error.empty()) {
    std::fprintf(stderr, "%s: %s\n", engine, error.c_str());
    return false;
  }
  const double writing = timer.nsecsElapsed() / 1e9;
  const double html = TimeCommand(url, folder + "/lot.html");
  const double json = TimeCommand(url, folder + "/lot.json");
  const double inside = TimeInProcess(url);
  std::printf(
      "%-10s %d radios written in %.1f s; stats -o html %.3f s, -o json %.3f s"
      " (limit %.1f s); query and statistics alone %.3f s\n",
      engine, kRadios, writing, html, json, kLimitSeconds, inside);
  return html > 0 && json > 0 && html <= kLimitSeconds && json <= kLimitSeconds;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir folder;
  PostgresServer server;
  const QString why = server.Start();
  if (!why.isEmpty()) {
    std::fprintf(stderr, "PostgreSQL is needed: %s\n", qPrintable(why));
    return 1;
  }
  const bool sqlite = Measure("SQLite", folder.filePath("bench.sqlite"), folder.path());
  const bool postgres = Measure("PostgreSQL", server.NewDatabase(), folder.path());
  return sqlite && postgres ? 0 : 1;
}
