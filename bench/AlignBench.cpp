// Aligns all 96 transmit points (2 bands x high, middle, low power x 16) of many simulated radios
// through the real serial line against the simulated meter on a loopback socket: radios with
// their own amplifier curves (radio seeds) and blank, zeroed, factory or far-off tables, at 0.5 %
// and 2 % meter noise. Judges every point by the radio's true power, not by the meter, and counts
// live tunes and meter readings per point. The first radios of each noise run at the wire's pace
// (9600 baud) and their time is set against the floor of one live tune, the settling and two
// readings per point; the others run unpaced with the amplifier and settling ten times faster,
// which changes no count.
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
#include "core/ImageLayout.h"
#include "model/Transmitter.h"
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
constexpr int kFastFactor = 10;  // unpaced radios: amplifier and settling this much faster
constexpr double kMostMeanTunes = 1.3;
constexpr double kMostMeanReadings = 2.5;
constexpr double kMostTimeOverFloor = 1.3;

enum class Fill { Blank, Zeroed, Factory, FarOff };
constexpr const char* kFillNames[] = {"blank", "zeroed", "factory", "far-off"};

class SilentPresenter : public MessagePresenter {
 public:
  void ShowMessage(const std::string&) override {}
};

struct Options {
  std::vector<double> noises{0.005, 0.02};
  std::uint64_t seed = 1;
  int radios = 20;  // per noise
  int paced = 1;    // of them, at the wire's pace
};

// One radio's run.
struct RadioResult {
  int points = 0;
  int inWindow = 0;
  std::vector<int> tunes, readings;  // per point
  double seconds = 0, floor = 0;     // floor: 0 when unpaced
};

// The example plan on the simulated bench: no attenuator before the sensor, every point of every
// table, and no cool-down between tables (a fixed wait that says nothing of the search).
AlignPlan BenchPlan(bool paced) {
  AlignPlanParse parse = AlignPlanParser::Load(QStringLiteral(VELMORA_EXAMPLE_PLAN));
  if (!parse.plan) qFatal("%s", qPrintable(parse.error));
  AlignPlan plan = *parse.plan;
  plan.meter.offsetDb = 0;
  plan.meter.maxInputDbm = 40;
  plan.points = AlignPlan::Points::All;
  plan.safety.coolDownSeconds = 0;
  if (!paced) plan.meter.settleMs /= kFastFactor;
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

// Blank, zeroed and far-off tables replace what the radio holds; factory ones are its own.
void FillTables(CalibrationImage& image, Fill fill) {
  if (fill == Fill::Factory) return;
  const std::uint8_t level = fill == Fill::Blank ? 0xFF : fill == Fill::Zeroed ? 0 : 100;
  for (int b = 0; b < 2; ++b)
    for (int t = 0; t < 3; ++t)
      for (int k = 0; k < layout::kPointsPerTable; ++k)
        image.SetLevel(PointRef::From(b, t, k).value(), level);
}

AlignJobSettings JobSettings(bool paced, quint16 meterPort) {
  AlignJobSettings settings;
  settings.plan = BenchPlan(paced);
  settings.meter = {QStringLiteral("tcp://127.0.0.1:%1").arg(meterPort),
                    settings.plan.meter.dialect, 0};
  for (int b = 0; b < AlignPlan::kBands; ++b)
    for (int t = 0; t < AlignPlan::kTransmitTables; ++t) settings.tables.push_back({b, t});
  settings.transfer.onlyStoredPort = true;
  return settings;
}

// The least the run could take: per point one live job's bytes on the line with the protocol's
// pause before its handshake, the settling and two meter readings.
double Floor(const AlignOutcome& outcome, long bytesOnLine, int liveTunes, double settleSeconds) {
  const auto& timings = outcome.timings;
  const double reading =
      std::accumulate(timings.begin(), timings.end(), 0.0,
                      [](double sum, const TryTiming& t) { return sum + t.readSeconds; }) /
      static_cast<double>(std::max<std::size_t>(timings.size(), 1));
  const double tune = static_cast<double>(bytesOnLine) / liveTunes * kSecondsPerByte +
                      std::chrono::duration<double>(kRealTiming.handshakePause).count();
  return static_cast<double>(outcome.report.points.size()) * (tune + settleSeconds + 2 * reading);
}

// A point outside its window: where, its verdict, its true power and every try.
QString Describe(const PointResult& p, double truth) {
  QString text = QStringLiteral("band %1 table %2 point %3, %4, level %5 gives %6 W; tries")
                     .arg(p.band)
                     .arg(p.table)
                     .arg(p.point)
                     .arg(VerdictName(p.verdict))
                     .arg(p.newLevel)
                     .arg(truth, 0, 'f', 3);
  for (const AlignTry& t : p.tries)
    text += QStringLiteral(" %1%2:%3").arg(t.live ? "T" : "R").arg(t.level).arg(t.watts, 0, 'f', 3);
  return text;
}

RadioResult RunRadio(double noise, std::uint64_t seed, Fill fill, bool paced) {
  const auto settle = paced ? kPaSettle : kPaSettle / kFastFactor;
  meter::Transmitter transmitter({seed, settle, std::chrono::seconds(30)});
  sim::MeterServer meterServer([&](auto at) { return transmitter.Watts(at); }, {noise, seed, {}});
  std::atomic<long> bytesOnLine{0};
  sim::PtyRadioServer radio;
  radio.SetPaced(paced);
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
  FillTables(image, fill);

  const AlignJobSettings settings = JobSettings(paced, meterServer.port());
  AlignJob job(settings);
  bytesOnLine = 0;
  QElapsedTimer clock;
  clock.start();
  const AlignOutcome outcome = job.Run(image);  // on this thread: its relay needs no loop here
  RadioResult result;
  result.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
  for (const PointResult& p : outcome.report.points) {
    const double truth = transmitter.curve().Watts(p.mhz, p.newLevel);
    const bool in = p.verdict == AlignVerdict::Aligned && truth >= p.target.minWatts &&
                    truth <= p.target.maxWatts;
    result.inWindow += in;
    if (!in) std::printf("  outside: %s\n", qPrintable(Describe(p, truth)));
    result.tunes.push_back(p.LiveTunes());
    result.readings.push_back(static_cast<int>(p.tries.size()));
  }
  result.points = static_cast<int>(outcome.report.points.size());
  const int tunes = std::accumulate(result.tunes.begin(), result.tunes.end(), 0);
  if (paced && tunes > 0)
    result.floor = Floor(outcome, bytesOnLine, tunes, settings.plan.meter.settleMs / 1000.0);
  if (!outcome.error.isEmpty()) std::printf("  error: %s\n", qPrintable(outcome.error));
  return result;
}

struct Spread {
  double mean = 0, p95 = 0, most = 0;
};

Spread SpreadOf(std::vector<int> values) {
  if (values.empty()) return {};
  std::sort(values.begin(), values.end());
  const auto rank = static_cast<std::size_t>(std::ceil(0.95 * static_cast<double>(values.size())));
  const double sum = std::accumulate(values.begin(), values.end(), 0.0);
  return {sum / static_cast<double>(values.size()),
          double(values.at(std::max<std::size_t>(rank, 1) - 1)), double(values.back())};
}

// Every radio at one meter noise; true when every target was met.
bool RunNoise(double noise, const Options& options) {
  std::printf("meter noise %.1f %%\n", noise * 100);
  std::printf("  %-6s %-8s %-6s %9s %11s %9s %9s %7s\n", "seed", "tables", "pace", "in window",
              "tunes/point", "readings", "seconds", "x floor");
  int points = 0, inWindow = 0;
  std::vector<int> tunes, readings;
  bool timeOk = true;
  for (int i = 0; i < options.radios; ++i) {
    const std::uint64_t seed = options.seed + static_cast<std::uint64_t>(i);
    const auto fill = static_cast<Fill>(i % 4);
    const bool paced = i < options.paced;
    const RadioResult r = RunRadio(noise, seed, fill, paced);
    points += r.points;
    inWindow += r.inWindow;
    tunes.insert(tunes.end(), r.tunes.begin(), r.tunes.end());
    readings.insert(readings.end(), r.readings.begin(), r.readings.end());
    const double ratio = r.floor > 0 ? r.seconds / r.floor : 0;
    if (paced) timeOk = timeOk && ratio > 0 && ratio <= kMostTimeOverFloor;
    std::printf("  %-6llu %-8s %-6s %5d/%-3d %11.2f %9.2f %9.1f %7s\n",
                static_cast<unsigned long long>(seed), kFillNames[int(fill)],
                paced ? "wire" : "fast", r.inWindow, r.points, SpreadOf(r.tunes).mean,
                SpreadOf(r.readings).mean, r.seconds,
                paced ? qPrintable(QString::number(ratio, 'f', 3)) : "-");
    if (paced) std::printf("         floor %.1f s for %d points\n", r.floor, r.points);
  }
  const Spread t = SpreadOf(tunes), rd = SpreadOf(readings);
  std::printf("  all    %d/%d points in their window by true power\n", inWindow, points);
  std::printf("         live tunes/point  mean %.2f, 95th percentile %.0f, most %.0f\n", t.mean,
              t.p95, t.most);
  std::printf("         readings/point    mean %.2f, 95th percentile %.0f, most %.0f\n", rd.mean,
              rd.p95, rd.most);
  const bool ok = points > 0 && inWindow == points && t.mean <= kMostMeanTunes &&
                  rd.mean <= kMostMeanReadings && timeOk;
  std::printf(
      "  targets every point in its window, tunes <= %.1f, readings <= %.1f, time <= %.1f "
      "x floor: %s\n",
      kMostMeanTunes, kMostMeanReadings, kMostTimeOverFloor, ok ? "met" : "MISSED");
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
    if (args[i] == "--radios") options.radios = std::max(1, args[i + 1].toInt());
    if (args[i] == "--paced") options.paced = std::max(0, args[i + 1].toInt());
  }
  bool ok = true;
  for (const double noise : options.noises) ok = RunNoise(noise, options) && ok;
  return ok ? 0 : 1;
}
