#include <QElapsedTimer>
#include <QTest>
#include <vector>

#include "core/LiveCommandComposer.h"
#include "sim/ComPortRig.h"
#include "tests/transfer/JobBench.h"
#include "transfer/LiveTuningQueue.h"

using namespace velmora;
using namespace velmora::test;
using Kind = sim::RequestRecord::Kind;

// Live tuning driven as a script or an alignment job would drive it, with no widget: commands
// armed on two tables reach the simulated radio once each, debounced, one job after the other.
class LiveTuningQueueTest : public QObject {
  Q_OBJECT

 private slots:
  void armedTablesReachTheRadioOneJobAtATime() {
    sim::ComPortRig rig;
    auto& radio = rig.AddRadio(1);
    CalibrationImage image;
    image.LoadDefaults();
    TransferGate gate;
    LiveTuningQueue queue(&image);
    queue.SetTransferGate(&gate);
    queue.job().SetPortFactory(MakeScaledPort);
    JobRecorder outcomes(queue.job());
    std::vector<std::pair<int, qint64>> requested;
    QElapsedTimer clock;
    connect(&queue, &LiveTuningQueue::Requested, this,
            [&](int table) { requested.emplace_back(table, clock.elapsed()); });

    const auto high = *LiveCommandComposer::LevelCommand(image, {Band::A, 0, 2}, 100);
    const auto middle = *LiveCommandComposer::LevelCommand(image, {Band::A, 1, 3}, 50);
    const auto highAgain = *LiveCommandComposer::LevelCommand(image, {Band::A, 0, 2}, 120);
    queue.Arm(LiveTuningQueue::LevelTable(0), high);
    queue.Arm(LiveTuningQueue::LevelTable(1), middle);
    QTest::qWait(100);
    clock.start();
    queue.Arm(LiveTuningQueue::LevelTable(0), highAgain);  // begins table 0's wait again
    QVERIFY(gate.TryEnter());  // a read holds the line: the middle table's request must wait
    QTRY_COMPARE_WITH_TIMEOUT(requested.size(), 2u, 2000);
    QVERIFY(queue.IsDeferred());
    QVERIFY(radio.liveCommands().empty());
    gate.Leave();
    QTRY_COMPARE_WITH_TIMEOUT(radio.liveCommands().size(), 2u, 20000);
    QTRY_VERIFY(!queue.job().IsRunning() && gate.IsOpen() && !queue.IsDeferred());
    QTest::qWait(500);  // nothing more is on its way

    QCOMPARE(requested[0].first, LiveTuningQueue::LevelTable(1));
    QCOMPARE(requested[1].first, LiveTuningQueue::LevelTable(0));
    QVERIFY2(requested[1].second >= 400, qPrintable(QString::number(requested[1].second)));
    const auto live = radio.liveCommands();
    QCOMPARE(live.size(), 2u);
    QCOMPARE(live[0].bytes, middle);
    QCOMPARE(live[1].bytes, highAgain);
    QCOMPARE(Bytes(image.liveCommandSent()),
             std::vector<std::uint8_t>(highAgain.begin(), highAgain.end()));
    const std::vector<Kind> job = {Kind::Handshake, Kind::Identify, Kind::IdentifyAck,
                                   Kind::LiveCommand};
    std::vector<Kind> expected = job;
    expected.insert(expected.end(), job.begin(), job.end());
    std::vector<Kind> kinds;
    for (const auto& r : radio.requests()) kinds.push_back(r.kind);
    QCOMPARE(kinds, expected);
    using R = TransferOutcome::Result;
    QCOMPARE(outcomes.finished, (std::vector<std::pair<int, R>>{{TRANSFER_LIVE, R::Success},
                                                                {TRANSFER_LIVE, R::Success}}));
  }
};

QTEST_GUILESS_MAIN(LiveTuningQueueTest)
#include "LiveTuningQueueTest.moc"
