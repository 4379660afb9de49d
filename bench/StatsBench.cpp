// Times `velmora-cli stats` as a whole process over a lot of 10,000 simulated radios (96 points
// each) in the bench's SQLite file and in a PostgreSQL server of the benchmark's own, against the
// limit of two seconds; and, inside that, the records' query and the statistics alone. Beside the
// elapsed time it gives the CPU the command and the server's backend spent: on a loaded machine
// that is the honest figure.
#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <thread>
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
// How long the server may take to reap a finished command's backend, and how often to look.
constexpr std::chrono::seconds kReapWait{2};
constexpr std::chrono::milliseconds kReapPoll{5};

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

// What one run of the command cost: its elapsed time, its own CPU (user + system) and, for
// PostgreSQL, the CPU of the server process that answered it.
struct Cost {
  double elapsed = 0;
  double cpu = 0;
  double serverCpu = 0;
};

double ChildrenCpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_CHILDREN, &usage);
  auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Fields of /proc/PID/stat after the command's name: state is field 3, ppid 4, cutime 16.
std::vector<std::string> StatFields(long pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(file)), {});
  std::istringstream rest(text.substr(std::min(text.size(), text.rfind(')') + 1)));
  std::vector<std::string> fields = {"", ""};
  for (std::string field; rest >> field;) fields.push_back(field);
  return fields;
}

std::set<long> ChildrenOf(long parent) {
  std::set<long> children;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    const auto fields = StatFields(std::stol(name));
    if (fields.size() > 3 && std::stol(fields[3]) == parent) children.insert(std::stol(name));
  }
  return children;
}

// The CPU of the server's finished backends, counted once the postmaster has reaped every
// backend started since `before`; 0 without a server.
double ServerCpuSeconds(long postmaster, const std::set<long>& before) {
  if (postmaster <= 0) return 0;
  const auto end = std::chrono::steady_clock::now() + kReapWait;
  for (;;) {
    const auto now = ChildrenOf(postmaster);
    const bool reaped = std::includes(before.begin(), before.end(), now.begin(), now.end());
    if (reaped || std::chrono::steady_clock::now() > end) break;
    std::this_thread::sleep_for(kReapPoll);
  }
  const auto fields = StatFields(postmaster);
  if (fields.size() < 18) return 0;
  return double(std::stoll(fields[15]) + std::stoll(fields[16])) / double(::sysconf(_SC_CLK_TCK));
}

long Postmaster(const QString& url) {
  if (!RecordStore::IsServerUrl(url)) return 0;
  std::ifstream file(QString(url.section("host=", 1) + "/data/postmaster.pid").toStdString());
  long pid = 0;
  file >> pid;
  return pid;
}

std::optional<Cost> TimeCommand(const QString& url, const QString& output) {
  std::vector<double> elapsed, cpu, serverCpu;
  const long postmaster = Postmaster(url);
  for (int run = 0; run < kRuns; ++run) {
    const std::set<long> backends = postmaster > 0 ? ChildrenOf(postmaster) : std::set<long>();
    const double serverBefore = ServerCpuSeconds(postmaster, backends);
    const double cpuBefore = ChildrenCpuSeconds();
    QProcess cli;
    QElapsedTimer timer;
    timer.start();
    cli.start(VELMORA_CLI_PATH, {"stats", "--records", url, "--lot", "WO-2026-12", "-o", output});
    if (!cli.waitForFinished(60000) || cli.exitCode() != 0) {
      std::fprintf(stderr, "stats failed: %s\n", cli.readAllStandardError().constData());
      return std::nullopt;
    }
    elapsed.push_back(timer.nsecsElapsed() / 1e9);
    cpu.push_back(ChildrenCpuSeconds() - cpuBefore);
    serverCpu.push_back(ServerCpuSeconds(postmaster, backends) - serverBefore);
  }
  return Cost{Median(elapsed), Median(cpu), Median(serverCpu)};
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
  const auto html = TimeCommand(url, folder + "/lot.html");
  const auto json = TimeCommand(url, folder + "/lot.json");
  const double inside = TimeInProcess(url);
  std::printf("%-10s %d radios written in %.1f s; query and statistics alone %.3f s\n", engine,
              kRadios, writing, inside);
  for (const auto& [format, cost] : {std::pair{"html", html}, std::pair{"json", json}}) {
    if (!cost) continue;
    std::printf("%-10s stats -o %s: %.3f s elapsed (limit %.1f s), CPU %.3f s + server %.3f s\n",
                engine, format, cost->elapsed, kLimitSeconds, cost->cpu, cost->serverCpu);
  }
  return html && json && html->elapsed <= kLimitSeconds && json->elapsed <= kLimitSeconds;
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
