// Aligns all 96 transmit points of a simulated radio (2 bands x high, middle, low power x 16)
// through the real serial line, paced at 9600 baud, against the simulated meter on a loopback
// socket, and compares the run's time with its floor: for every try, the live job's bytes on the
// line at 10 bits a byte plus the protocol's pause before its handshake, the plan's settling
// time and the meter's reading. Also says how many points ended inside their window (by the
// radio's true power, not by the meter) and how many tries a point took.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <string>
#include <vector>

#include "align/AlignJob.h"
#include "align/AlignPlanParser.h"
#include "instrument/model/Transmitter.h"
#include "radio/ProtocolTiming.h"
#include "sim/FactoryAlignment.h"
#include "sim/MeterServer.h"
#include "sim/PtyRadioServer.h"
#include "sim/TransmitterWatch.h"
#include "transfer/CTestThread.h"

using namespace velmora;

namespace {

constexpr double kSecondsPerByte = 10.0 / 9600.0;
// The amplifier's time constant: the example plan's 150 ms settling covers five of them.
constexpr std::chrono::milliseconds kPaSettle{30};
constexpr double kMostMeanTries = 3.0;
constexpr double kMostTimeOverFloor = 1.10;

class SilentPresenter : public MessagePresenter {
 public:
  void ShowMessage(const std::string&) override {}
};

struct Options {
  std::vector<double> noises{0.005, 0.02};
  std::uint64_t seed = 1;
};

// The example plan on the simulated bench: no attenuator before the sensor, every point of every
// table, and no cool-down between tables (a fixed wait that says nothing of the search).
AlignPlan BenchPlan() {
  AlignPlanParse parse = AlignPlanParser::Load(QStringLiteral(VELMORA_EXAMPLE_PLAN));
  if (!parse.plan) qFatal("%s", qPrintable(parse.error));
  AlignPlan plan = *parse.plan;
  plan.meter.offsetDb = 0;
  plan.meter.maxInputDbm = 40;
  plan.points = AlignPlan::Points::All;
  plan.safety.coolDownSeconds = 0;
  return plan;
}

// The radio's own alignment, read as the command-line tool reads it.
bool ReadRadio(CalibrationImage& image) {
  SilentPresenter presenter;
  CTransferJob job;
  job.SetPresenter(&presenter);
  image.LoadDefaults();
  CTestThread* thread = CTestThread::StartJob(job, &image, TRANSFER_READ);
  thread->wait();
  QCoreApplication::removePostedEvents(&job.reports());
  return job.Outcome().succeeded();
}

double Percentile95(std::vector<int> values) {
  std::sort(values.begin(), values.end());
  const std::size_t rank = static_cast<std::size_t>(std::ceil(0.95 * values.size()));
  return values.at(std::max<std::size_t>(rank, 1) - 1);
}

// One alignment of the whole radio at this meter noise; true when every target was met.
bool RunOnce(double noise, std::uint64_t seed) {
  meter::Transmitter transmitter({seed, kPaSettle, std::chrono::seconds(30)});
  sim::MeterServer meterServer([&](auto at) { return transmitter.Watts(at); }, {noise, seed, {}});
  std::atomic<long> bytesOnLine{0};
  sim::PtyRadioServer radio;
  radio.SetPaced(true);
  radio.SetMemory(sim::FactoryAlignment::Make());
  radio.SetByteLogger([&](sim::ByteDirection, std::span<const std::uint8_t> bytes, auto) {
    bytesOnLine += static_cast<long>(bytes.size());
  });
  radio.SetTransmitListener(sim::TransmitterWatch::Listener(transmitter));
  std::string error;
  if (!radio.Start(&error) || !meterServer.Start("127.0.0.1", 0, &error))
    qFatal("%s", error.c_str());
  qputenv("VELMORA_COM1", QByteArray::fromStdString(radio.slavePath()));
  CalibrationImage image;
  if (!ReadRadio(image)) qFatal("the simulated radio could not be read");

  AlignJobSettings settings;
  settings.plan = BenchPlan();
  settings.meter = {QStringLiteral("tcp://127.0.0.1:%1").arg(meterServer.port()),
                    settings.plan.meter.dialect, 0};
  for (int b = 0; b < AlignPlan::kBands; ++b)
    for (int t = 0; t < AlignPlan::kTransmitTables; ++t) settings.tables.push_back({b, t});
  settings.transfer.onlyStoredPort = true;
  AlignJob job(settings);
  bytesOnLine = 0;
  QElapsedTimer clock;
  clock.start();
  const AlignOutcome outcome = job.Run(image);  // on this thread: its relay needs no loop here
  const double seconds = clock.nsecsElapsed() / 1e9;

  const AlignReport& report = outcome.report;
  int inWindow = 0, aligned = 0;
  std::vector<int> tries;
  for (const PointResult& p : report.points) {
    const double truth = transmitter.curve().Watts(p.mhz, p.newLevel);
    inWindow += truth >= p.target.minWatts && truth <= p.target.maxWatts;
    aligned += p.verdict == AlignVerdict::Aligned;
    tries.push_back(static_cast<int>(p.tries.size()));
  }
  const auto count = static_cast<double>(outcome.timings.size());
  const double wire = bytesOnLine * kSecondsPerByte +
                      count * std::chrono::duration<double>(kRealTiming.handshakePause).count();
  const double settling = count * settings.plan.meter.settleMs / 1000.0;
  const double readings =
      std::accumulate(outcome.timings.begin(), outcome.timings.end(), 0.0,
                      [](double sum, const TryTiming& t) { return sum + t.readSeconds; });
  const double floor = wire + settling + readings;
  const double mean = std::accumulate(tries.begin(), tries.end(), 0.0) / tries.size();
  const int most = *std::max_element(tries.begin(), tries.end());
  const std::size_t points = report.points.size();
  std::printf("meter noise %.1f %%, averaging %d, radio seed %llu: %zu points, %zu tries\n",
              noise * 100, settings.plan.meter.averaging, static_cast<unsigned long long>(seed),
              points, static_cast<std::size_t>(count));
  std::printf("  in window  %d/%zu (aligned by the meter: %d)\n", inWindow, points, aligned);
  std::printf("  tries      mean %.2f, 95th percentile %.0f, most %d\n", mean, Percentile95(tries),
              most);
  std::printf(
      "  time       %.1f s, floor %.1f s (wire %.1f, settling %.1f, readings %.2f): %.3f x\n",
      seconds, floor, wire, settling, readings, seconds / floor);
  const bool window = inWindow == static_cast<int>(points) && points > 0;
  const bool strict = noise <= 0.005;  // the tries and time targets hold at the lower noise
  const bool ok =
      window && (!strict || (mean <= kMostMeanTries && seconds <= kMostTimeOverFloor * floor));
  std::printf("  targets    every point in its window%s: %s\n",
              strict ? ", mean tries <= 3, time <= 1.10 x floor" : "", ok ? "met" : "MISSED");
  if (!outcome.error.isEmpty()) std::printf("  error      %s\n", qPrintable(outcome.error));
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  Options options;
  const QStringList args = app.arguments().mid(1);
  for (int i = 0; i + 1 < args.size(); i += 2) {
    if (args[i] == "--noise") options.noises = {args[i + 1].toDouble() / 100.0};
    if (args[i] == "--seed") options.seed = args[i + 1].toULongLong();
  }
  bool ok = true;
  for (const double noise : options.noises) ok = RunOnce(noise, options.seed) && ok;
  return ok ? 0 : 1;
}
