#include <QTest>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "align/AlignJob.h"
#include "align/AlignPlanParser.h"
#include "core/BandSettings.h"
#include "core/ImageLayout.h"
#include "core/LiveCommandComposer.h"
#include "sim/ComPortRig.h"
#include "sim/MeterServer.h"
#include "sim/TransmitterWatch.h"
#include "tests/support/TestPorts.h"

using namespace velmora;
using Kind = sim::RequestRecord::Kind;

namespace {

constexpr int kSeed = 11;
constexpr int kStored = 100;  // every level of the aligned table before the run
constexpr int kBand = 0;
constexpr int kTable = 0;  // high power
constexpr int kPort = 3;
using Steady = std::chrono::steady_clock;

// The simulated radio on a pseudo-terminal with its transmitter watched by the simulated meter on
// a loopback socket, as velmora-radio-sim --meter serves them.
struct Bench {
  explicit Bench(std::chrono::milliseconds paSettle = std::chrono::milliseconds(0))
      : transmitter({kSeed, paSettle, std::chrono::seconds(30)}),
        meter(
            [this](auto at) {
              if (beforeReading) beforeReading();
              return transmitter.Watts(at);
            },
            {0.005, kSeed, {}}) {
    std::string error;
    if (!meter.Start("127.0.0.1", 0, &error)) qFatal("meter: %s", error.c_str());
    radio.SetTransmitListener(
        [this, watch = sim::TransmitterWatch::Listener(transmitter)](const sim::TransmitEvent& e) {
          watch(e);
          const std::lock_guard lock(eventsMutex);
          events.push_back({Steady::now(), e.keyed});
        });
    start.LoadDefaults();
    start.setPortNumber(kPort);
    for (int k = 0; k < layout::kPointsPerTable; ++k)
      start.SetLevel(PointRef::From(kBand, kTable, k).value(), kStored);
    memory = radio.memory();
  }

  AlignJobSettings Settings(int settleMs) const {
    AlignPlanParse parse = AlignPlanParser::Load(QStringLiteral(VELMORA_EXAMPLE_PLAN));
    if (!parse.plan) qFatal("plan: %s", qPrintable(parse.error));
    AlignJobSettings s;
    s.plan = *parse.plan;
    s.plan.meter.settleMs = settleMs;
    s.plan.meter.maxInputDbm = 40;  // no attenuator before the simulated sensor: up to 10 W
    s.meter.meterUrl = QStringLiteral("tcp://127.0.0.1:%1").arg(meter.port());
    s.meter.meterDialect = s.plan.meter.dialect;
    s.meter.attenuatorDb = 0;
    s.tables = {{kBand, kTable}};
    s.transfer.onlyStoredPort = true;
    s.portFactory = test::MakeScaledPort;
    return s;
  }

  std::function<void()> beforeReading;  // on the meter's thread, as each reading is taken
  // The radio's transmitter keyed (true) or unkeyed, as its server thread tells it.
  struct Event {
    Steady::time_point at;
    bool keyed;
  };
  std::vector<Event> Events() {
    const std::lock_guard lock(eventsMutex);
    return events;
  }

  // Before the radio, whose server thread tells them of every transmission until it stops.
  std::mutex eventsMutex;
  std::vector<Event> events;
  meter::Transmitter transmitter;
  sim::ComPortRig rig;
  sim::PtyRadioServer& radio = rig.AddRadio(kPort);
  sim::MeterServer meter;
  CalibrationImage start;
  sim::RadioMemory memory;
};

// Runs the job on a worker thread, as the window does, while this thread takes its signals.
AlignOutcome RunOnWorker(AlignJob& job, const CalibrationImage& start) {
  AlignOutcome outcome;
  std::unique_ptr<QThread> worker(QThread::create([&] { outcome = job.Run(start); }));
  worker->start();
  while (!worker->isFinished()) QTest::qWait(5);
  worker->wait();
  QCoreApplication::sendPostedEvents(&job.reports());
  return outcome;
}

// The tries that sent their level live, in order.
std::vector<AlignTry> LiveTries(const AlignReport& report) {
  std::vector<AlignTry> tries;
  for (const PointResult& p : report.points)
    std::copy_if(p.tries.begin(), p.tries.end(), std::back_inserter(tries),
                 [](const AlignTry& t) { return t.live; });
  return tries;
}

}  // namespace

class AlignJobTest : public QObject {
  Q_OBJECT

 private slots:
  // One table through live tunes alone: every try is the window's own live command for that
  // level, read once; the result holds the new levels and nothing else changed.
  void alignsOneTableThroughLiveTunesOnly() {
    Bench bench;
    AlignJob job(bench.Settings(5));
    int tried = 0, finished = 0, wrongThread = 0;
    std::vector<PointResult> announced;
    connect(&job.reports(), &AlignRelay::Tried, this, [&] {
      ++tried;
      if (QThread::currentThread() != thread()) ++wrongThread;
    });
    connect(&job.reports(), &AlignRelay::PointFinished, this,
            [&](const PointResult& p) { announced.push_back(p); });
    connect(&job.reports(), &AlignRelay::Finished, this, [&] { ++finished; });
    const AlignOutcome outcome = RunOnWorker(job, bench.start);

    QCOMPARE(outcome.result, AlignOutcome::Result::Aligned);
    const AlignReport& report = outcome.report;
    QVERIFY(report.points.size() >= 8);
    CalibrationImage::Bytes expected = bench.start.ToBytes();
    const meter::PowerCurve& curve = bench.transmitter.curve();
    for (const PointResult& p : report.points) {
      QCOMPARE(p.verdict, AlignVerdict::Aligned);
      QVERIFY(p.newLevel != kStored);
      const double truth = curve.Watts(p.mhz, p.newLevel);
      QVERIFY2(truth >= p.target.minWatts && truth <= p.target.maxWatts,
               qPrintable(QStringLiteral("point %1: %2 W").arg(p.point).arg(truth)));
      expected[layout::LevelTableOffset(kBand, kTable, p.point)] = std::uint8_t(p.newLevel);
    }
    QCOMPARE(outcome.aligned.ToBytes(), expected);

    // Only live tunes went over the wire, each the page's composition of its try's level, and
    // each level was confirmed by a reading without a second tune.
    const std::vector<AlignTry> tries = LiveTries(report);
    const auto live = bench.radio.liveCommands();
    QCOMPARE(live.size(), tries.size());
    std::size_t i = 0;
    for (const PointResult& p : report.points) {
      QVERIFY(!p.tries.back().live);
      QCOMPARE(p.tries.back().level, p.newLevel);
      for (const AlignTry& t : p.tries) {
        if (!t.live) continue;
        const auto composed = LiveCommandComposer::LevelCommand(
            bench.start, PointRef::From(kBand, kTable, p.point).value(), t.level);
        QCOMPARE(live[i++].bytes, *composed);
      }
    }
    const std::vector<Kind> oneTune = {Kind::Handshake, Kind::Identify, Kind::IdentifyAck,
                                       Kind::LiveCommand};
    // Then the transmitter is stopped once, with the read's opening and its first block.
    const std::vector<Kind> stop = {Kind::Handshake, Kind::Identify, Kind::IdentifyAck,
                                    Kind::ReadBlock, Kind::ReadAck};
    const auto requests = bench.radio.requests();
    QCOMPARE(requests.size(), oneTune.size() * tries.size() + stop.size());
    for (std::size_t r = 0; r < oneTune.size() * tries.size(); ++r)
      QCOMPARE(requests[r].kind, oneTune[r % 4]);
    for (std::size_t r = 0; r < stop.size(); ++r)
      QCOMPARE(requests[oneTune.size() * tries.size() + r].kind, stop[r]);
    QCOMPARE(bench.radio.memory(), bench.memory);

    QVERIFY(report.port.startsWith(QStringLiteral("COM%1 = ").arg(kPort)));
    QCOMPARE(report.radio, QStringLiteral("VLM-SIM1"));
    QCOMPARE(report.meter, QString::fromLatin1(meter::SimulatedMeter::kIdentification));
    QCOMPARE(std::size_t(tried), tries.size() + report.points.size());  // and the readings
    QCOMPARE(announced.size(), report.points.size());
    QCOMPARE(finished, 1);
    QCOMPARE(wrongThread, 0);
  }

  // The radio transmits from a table's first try until its stop, never into a cool-down nor
  // past the run's end, whether the tables end, a cancel ends them or the meter fails; the
  // report records each stop. Meanwhile the port stays the run's: another program is refused.
  void transmitterStopsAndThePortIsHeld_data() {
    QTest::addColumn<int>("tables");
    QTest::addColumn<int>("cancelAtTry");  // 0: none
    QTest::addColumn<bool>("meterDies");
    QTest::newRow("one table") << 1 << 0 << false;
    QTest::newRow("two tables, a cool-down between") << 2 << 0 << false;
    QTest::newRow("cancelled in the first table") << 2 << 3 << false;
    QTest::newRow("the meter stops answering") << 2 << 0 << true;
  }
  void transmitterStopsAndThePortIsHeld() {
    QFETCH(int, tables);
    QFETCH(int, cancelAtTry);
    QFETCH(bool, meterDies);
    constexpr double kCoolDownSeconds = 0.4;
    Bench bench;
    AlignJobSettings settings = bench.Settings(5);
    settings.plan.safety.coolDownSeconds = kCoolDownSeconds;
    settings.tables = {{kBand, 0}, {kBand, 1}};
    settings.tables.resize(std::size_t(tables));
    AlignJob job(settings);
    int tried = 0, portTaken = 0;
    connect(&job.reports(), &AlignRelay::Tried, this, [&] {
      ++tried;
      const auto other = test::MakeScaledPort();  // another program asking for the port
      if (other->Open("COM" + std::to_string(kPort))) ++portTaken;
      other->CloseIfOpen();
      if (tried == cancelAtTry) job.Cancel();
      if (meterDies && tried == 4) bench.meter.Stop();
    });
    const AlignOutcome outcome = RunOnWorker(job, bench.start);
    const auto ended = Steady::now();

    QCOMPARE(portTaken, 0);
    const std::vector<Bench::Event> events = bench.Events();
    QVERIFY(events.size() >= 2);
    QVERIFY(!events.back().keyed);  // nothing transmits after the run
    const auto& stops = outcome.report.stops;
    const int tablesKeyed = cancelAtTry || meterDies ? 1 : tables;
    QCOMPARE(int(stops.size()), tablesKeyed);
    for (int t = 0; t < tablesKeyed; ++t) {
      QCOMPARE(stops[std::size_t(t)].after, QStringLiteral("A%1").arg(t));
      QVERIFY(stops[std::size_t(t)].confirmed);
    }
    // Between the tables the radio is silent for the whole cool-down.
    std::vector<std::pair<Steady::time_point, Steady::time_point>> transmissions;
    for (const Bench::Event& e : events) {
      if (e.keyed && (transmissions.empty() || transmissions.back().second != Steady::time_point{}))
        transmissions.push_back({e.at, {}});
      if (!e.keyed && !transmissions.empty()) transmissions.back().second = e.at;
    }
    QCOMPARE(int(transmissions.size()), tablesKeyed);
    if (tablesKeyed == 2) {
      const double silent =
          std::chrono::duration<double>(transmissions[1].first - transmissions[0].second).count();
      QVERIFY2(silent >= kCoolDownSeconds, qPrintable(QString::number(silent)));
    }
    // Each stop counts the whole transmission, pauses between tries included.
    for (std::size_t t = 0; t < transmissions.size(); ++t) {
      const double keyed =
          std::chrono::duration<double>(transmissions[t].second - transmissions[t].first).count();
      QVERIFY2(stops[t].keyedSeconds >= keyed - 0.01,
               qPrintable(QStringLiteral("%1 < %2").arg(stops[t].keyedSeconds).arg(keyed)));
    }
    QVERIFY(transmissions.back().second <= ended);
  }

  // A cancel from another thread lets the try under way finish and keys nothing after it.
  void cancelStopsBetweenTries() {
    Bench bench;
    AlignJob job(bench.Settings(40));
    std::size_t keyedAtCancel = 0;
    int tried = 0;
    connect(&job.reports(), &AlignRelay::Tried, this, [&] {
      if (++tried == 3) {
        keyedAtCancel = bench.radio.liveCommands().size();  // the worker may be one try on
        job.Cancel();
      }
    });
    const AlignOutcome outcome = RunOnWorker(job, bench.start);

    QCOMPARE(outcome.result, AlignOutcome::Result::Cancelled);
    // A reading that confirms a level is a try too, but keys nothing: count the radio's commands.
    const std::size_t keyed = LiveTries(outcome.report).size();
    QVERIFY(keyedAtCancel >= 1);
    QVERIFY2(keyed >= keyedAtCancel && keyed <= keyedAtCancel + 1,
             qPrintable(QStringLiteral("%1 keyed, %2 at the cancel").arg(keyed).arg(keyedAtCancel)));
    QCOMPARE(bench.radio.liveCommands().size(), keyed);  // every keyed try was read
    const auto& points = outcome.report.points;
    for (const PointResult& p : points) {  // a point is finished, cut short or never keyed
      const AlignVerdict expected = p.tries.empty()                      ? AlignVerdict::NotTried
                                    : p.verdict == AlignVerdict::Aligned ? AlignVerdict::Aligned
                                                                         : AlignVerdict::Cancelled;
      QCOMPARE(p.verdict, expected);
    }
    QCOMPARE(points.back().verdict, AlignVerdict::NotTried);
    QCOMPARE(bench.radio.memory(), bench.memory);
  }

  // An attenuator in use smaller than the plan's lets more power reach the sensor than the plan was
  // checked for: a target the sensor cannot take is refused before anything is keyed.
  void targetAboveTheMeterInUseIsRefusedBeforeKeying() {
    Bench bench;
    AlignJobSettings settings = bench.Settings(5);
    settings.plan.meter.maxInputDbm = 30;  // 1 W at the sensor with no attenuator: below 5.25 W
    AlignJob job(settings);
    const AlignOutcome outcome = RunOnWorker(job, bench.start);

    QCOMPARE(outcome.result, AlignOutcome::Result::InstrumentError);
    QVERIFY2(outcome.error.startsWith("A high: the target's maximum 5.25 W"),
             qPrintable(outcome.error));
    QVERIFY(outcome.report.points.empty());
    QVERIFY(bench.radio.requests().empty());
    QCOMPARE(outcome.aligned.ToBytes(), bench.start.ToBytes());
  }

  // The radio stops transmitting before the first confirming reading: that reading reads
  // nothing, the level is sent again, and every later point is confirmed by a tune of its own.
  void transmitterStoppingBetweenReadingsIsTunedAgain() {
    Bench bench;
    std::size_t tunesAtLastReading = 0;
    bool stopped = false;
    bench.beforeReading = [&] {
      const std::size_t tunes = bench.radio.liveCommands().size();
      if (!stopped && tunes == tunesAtLastReading) {  // a reading without a tune before it
        bench.transmitter.Unkey();
        stopped = true;
      }
      tunesAtLastReading = tunes;
    };
    AlignJob job(bench.Settings(5));
    const AlignOutcome outcome = RunOnWorker(job, bench.start);

    QCOMPARE(outcome.result, AlignOutcome::Result::Aligned);
    QVERIFY(stopped);
    int rereads = 0;
    for (const PointResult& p : outcome.report.points) {
      for (std::size_t t = 0; t < p.tries.size(); ++t) {
        if (p.tries[t].live) continue;
        ++rereads;
        QCOMPARE(p.tries[t].fault, QStringLiteral("no signal at the sensor"));
        QVERIFY(t + 1 < p.tries.size() && p.tries[t + 1].live);  // sent again at once
        QCOMPARE(p.tries[t + 1].level, p.tries[t].level);
      }
    }
    QCOMPARE(rereads, 1);  // the one that read nothing: none after it
    QCOMPARE(bench.radio.liveCommands().size(), LiveTries(outcome.report).size());
  }

  // A radio that stops acknowledging live tunes ends the run as a transfer failure at its first
  // try: that point names the failure, no later point is keyed and nothing is aligned.
  void unacknowledgedLiveTuneEndsTheRun() {
    Bench bench;
    sim::RadioFaults faults;
    faults.liveReply = sim::LiveReply::Silent;
    bench.radio.SetFaults(faults);
    AlignJob job(bench.Settings(5));
    const AlignOutcome outcome = RunOnWorker(job, bench.start);

    QCOMPARE(outcome.result, AlignOutcome::Result::TransferFailed);
    QVERIFY2(outcome.error.startsWith("live tune failed: "), qPrintable(outcome.error));
    const auto& points = outcome.report.points;
    QCOMPARE(points.front().verdict, AlignVerdict::MeterError);
    QCOMPARE(points.front().detail, outcome.error);
    QCOMPARE(points.front().tries.size(), 1u);  // the failed try, with its keyed time
    QCOMPARE(points.front().tries[0].fault, outcome.error);
    for (std::size_t k = 1; k < points.size(); ++k) QVERIFY(points[k].tries.empty());
    QCOMPARE(points.back().verdict, AlignVerdict::NotTried);
    std::set<sim::LiveCommandBytes> sent;
    for (const auto& live : bench.radio.liveCommands()) sent.insert(live.bytes);
    QCOMPARE(sent.size(), 1u);  // the first try's command alone, with its retries
    QCOMPARE(outcome.aligned.ToBytes(), bench.start.ToBytes());
  }
};

QTEST_GUILESS_MAIN(AlignJobTest)
#include "AlignJobTest.moc"
