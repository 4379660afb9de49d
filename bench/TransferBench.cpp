// Times read, write and live jobs through the real serial line against a simulated radio paced at
// 9600 baud, and compares each with what the wire allows: the bytes on the line at 10 bits a byte,
// plus the protocol's own pause before every handshake. The write runs plain and with its backup
// and read-back, each against the bytes it puts on the line; velmora-cli runs as a whole process
// (another build's may be named as the argument), with the CPU time it used beside its time.
#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <tuple>
#include <vector>

#include "core/LiveCommandComposer.h"
#include "radio/ProtocolTiming.h"
#include "sim/PtyRadioServer.h"
#include "transfer/CTestThread.h"

using namespace velmora;

namespace {

constexpr int kRuns = 9;
// Against a radio that paces every byte, first and last, no host can beat the wire.
constexpr double kTarget = 1.03;
constexpr double kSecondsPerByte = 10.0 / 9600.0;

class SilentPresenter : public MessagePresenter {
 public:
  void ShowMessage(const std::string&) override {}
};

struct Measurement {
  double medianSeconds;
  double wireSeconds;
  double cpuSeconds = 0;  // a whole process's user and system time, median
};

// The user and system time of every child process that has ended and been waited for.
double ChildrenCpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_CHILDREN, &usage);
  auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

Measurement Measure(int operation, const TransferOptions& options, sim::PtyRadioServer& radio,
                    std::atomic<long>& bytesOnLine) {
  std::vector<double> times;
  long bytesPerJob = 0;
  for (int run = 0; run < kRuns; ++run) {
    CalibrationImage image;
    image.LoadDefaults();
    SilentPresenter presenter;
    CTransferJob job;
    job.SetPresenter(&presenter);
    job.SetOptions(options);
    bytesOnLine = 0;
    QElapsedTimer timer;
    timer.start();
    const JobOrder order{&image, operation,
                         LiveCommandComposer::LevelCommand(image, {Band::A, 0, 3}, 100)};
    CTestThread* thread = CTestThread::StartJob(job, order);
    thread->wait();
    times.push_back(timer.nsecsElapsed() / 1e9);
    bytesPerJob = bytesOnLine;
    QCoreApplication::removePostedEvents(&job.reports());
    radio.ClearRecords();
  }
  const double pauses = kRealTiming.handshakePause.count() / 1000.0;
  return {Median(times), bytesPerJob * kSecondsPerByte + pauses};
}

// The same job as a user runs it: the whole velmora-cli process, start-up and exit included.
Measurement MeasureCli(const QString& program, const QStringList& args, sim::PtyRadioServer& radio,
                       std::atomic<long>& bytesOnLine) {
  std::vector<double> times, cpu;
  long bytesPerJob = 0;
  for (int run = 0; run < kRuns; ++run) {
    bytesOnLine = 0;
    QProcess cli;
    const double cpuBefore = ChildrenCpuSeconds();
    QElapsedTimer timer;
    timer.start();
    cli.start(program, args);
    cli.waitForFinished(-1);
    times.push_back(timer.nsecsElapsed() / 1e9);
    cpu.push_back(ChildrenCpuSeconds() - cpuBefore);
    bytesPerJob = bytesOnLine;
    radio.ClearRecords();
  }
  const double pauses = kRealTiming.handshakePause.count() / 1000.0;
  return {Median(times), bytesPerJob * kSecondsPerByte + pauses, Median(cpu)};
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  std::atomic<long> bytesOnLine{0};
  sim::PtyRadioServer radio;
  radio.SetPaced(true);
  radio.SetByteLogger([&](sim::ByteDirection, std::span<const std::uint8_t> bytes, auto) {
    bytesOnLine += static_cast<long>(bytes.size());
  });
  std::string error;
  if (!radio.Start(&error)) {
    std::fprintf(stderr, "cannot start the simulated radio: %s\n", error.c_str());
    return 1;
  }
  qputenv("VELMORA_COM1", QByteArray::fromStdString(radio.slavePath()));
  const QString cliProgram = argc > 1 ? QString::fromLocal8Bit(argv[1]) : VELMORA_CLI_PATH;
  std::printf("%-20s %12s %12s %8s %8s   (median of %d runs at 9600 baud)\n", "job", "median s",
              "wire limit s", "ratio", "cpu ms", kRuns);
  bool withinTarget = true;
  QTemporaryDir backups;
  TransferOptions safe;
  safe.backup = safe.verify = true;
  safe.backupFolder = backups.path();
  const std::tuple<const char*, int, TransferOptions> jobs[] = {
      {"read", TRANSFER_READ, {}},
      {"write", TRANSFER_WRITE, {}},
      {"write+backup+verify", TRANSFER_WRITE, safe},
      {"live", TRANSFER_LIVE, {}}};
  auto print = [&](const char* name, const Measurement& m) {
    const double ratio = m.medianSeconds / m.wireSeconds;
    withinTarget = withinTarget && ratio <= kTarget;
    std::printf("%-20s %12.4f %12.4f %8.3f", name, m.medianSeconds, m.wireSeconds, ratio);
    if (m.cpuSeconds > 0) std::printf(" %8.1f", m.cpuSeconds * 1000);
    std::printf("\n");
  };
  for (const auto& [name, operation, options] : jobs) {
    print(name, Measure(operation, options, radio, bytesOnLine));
  }
  const QString file = backups.filePath("bench.dat");
  const std::pair<const char*, QStringList> commands[] = {
      {"cli read", {"read", file, "--port", "1", "--quiet"}},
      {"cli write", {"write", file, "--port", "1", "--quiet", "--no-backup", "--no-verify"}},
      {"cli live",
       {"live", "--band", "A", "--table", "0", "--point", "3", "--value", "100", "--port", "1",
        "--quiet"}}};
  qputenv("XDG_DATA_HOME", backups.path().toUtf8());
  for (const auto& [name, args] : commands) {
    print(name, MeasureCli(cliProgram, args, radio, bytesOnLine));
  }
  radio.Stop();
  std::printf("target ratio <= %.2f: %s\n", kTarget, withinTarget ? "met" : "missed");
  return withinTarget ? 0 : 1;
}
