// Times one write on 1, 2, 4 and 8 radios at once (velmora-cli write --ports), each radio paced at
// 9600 baud on its own pseudo-terminal, and compares every batch with one radio alone: jobs on
// different ports must not wait for each other.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "cli/BatchTransfer.h"
#include "sim/PtyRadioServer.h"
#include "transfer/TransferOutcome.h"

using namespace velmora;

namespace {

constexpr int kRuns = 3;
constexpr double kTarget = 1.2;
constexpr int kMostRadios = 8;

double MedianSeconds(const std::vector<int>& ports) {
  std::vector<double> times;
  for (int run = 0; run < kRuns; ++run) {
    QElapsedTimer timer;
    timer.start();
    const auto results = BatchTransfer::Run(TRANSFER_WRITE, ports, {}, {}, {}, {});
    times.push_back(timer.nsecsElapsed() / 1e9);
    for (const auto& r : results) {
      if (!r.succeeded)
        std::fprintf(stderr, "COM%d: %s %s\n", r.port, r.outcome.c_str(), r.detail.c_str());
    }
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  std::vector<std::unique_ptr<sim::PtyRadioServer>> radios;
  for (int port = 1; port <= kMostRadios; ++port) {
    auto radio = std::make_unique<sim::PtyRadioServer>();
    radio->SetPaced(true);
    std::string error;
    if (!radio->Start(&error)) {
      std::fprintf(stderr, "cannot start simulated radio %d: %s\n", port, error.c_str());
      return 1;
    }
    qputenv(QString("VELMORA_COM%1").arg(port).toUtf8(),
            QByteArray::fromStdString(radio->slavePath()));
    radios.push_back(std::move(radio));
  }
  std::printf("%-8s %10s %14s   (write, median of %d runs at 9600 baud)\n", "radios", "median s",
              "ratio to one", kRuns);
  double one = 0;
  bool withinTarget = true;
  for (const int count : {1, 2, 4, 8}) {
    std::vector<int> ports(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) ports[std::size_t(i)] = i + 1;
    const double seconds = MedianSeconds(ports);
    if (count == 1) one = seconds;
    const double ratio = seconds / one;
    withinTarget = withinTarget && ratio <= kTarget;
    std::printf("%-8d %10.3f %14.3f\n", count, seconds, ratio);
  }
  for (auto& radio : radios) radio->Stop();
  std::printf("target ratio <= %.1f: %s\n", kTarget, withinTarget ? "met" : "missed");
  return withinTarget ? 0 : 1;
}
