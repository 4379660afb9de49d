#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <map>
#include <mutex>

#include "core/LiveCommandComposer.h"
#include "sim/ComPortRig.h"
#include "tests/transfer/JobBench.h"
#include "transfer/CTestThread.h"
#include "transfer/CTransferJob.h"

using namespace velmora;
using namespace velmora::test;
using Kind = sim::RequestRecord::Kind;
using R = TransferOutcome::Result;
using Finished = std::vector<std::pair<int, R>>;

namespace {

// Ports in the order their first handshake request arrived.
std::vector<int> PortsTried(sim::ComPortRig&, const std::map<int, sim::PtyRadioServer*>& radios) {
  std::vector<std::pair<sim::SimClock::time_point, int>> first;
  for (const auto& [port, radio] : radios) {
    for (const auto& r : radio->requests()) {
      if (r.kind == Kind::Handshake) {
        first.emplace_back(r.at, port);
        break;
      }
    }
  }
  std::sort(first.begin(), first.end());
  std::vector<int> order;
  for (const auto& f : first) order.push_back(f.second);
  return order;
}

std::vector<std::uint16_t> WriteAddresses(const sim::PtyRadioServer& radio) {
  std::vector<std::uint16_t> addresses;
  for (const auto& r : radio.requests()) {
    if (r.kind == Kind::WriteBlock) addresses.push_back(r.address);
  }
  return addresses;
}

const std::vector<std::uint16_t> kDefaultWriteOrder = {0x0F80, 0x0F90, 0x0FA0, 0x0FB0, 0x1F80,
                                                       0x1F90, 0x1FA0, 0x1FB0, 0x0FC0, 0x0FD0,
                                                       0x1FC0, 0x1FD0, 0x1FE0, 0x1FF0};

}  // namespace

Q_DECLARE_METATYPE(std::vector<int>)

class TransferJobTest : public QObject {
  Q_OBJECT

 private slots:
  void scanOrder_data() {
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("radioPort");
    QTest::addColumn<std::vector<int>>("order");
    QTest::newRow("stored 3, radio on 5") << 3 << 5 << std::vector<int>{3, 1, 2, 4, 5};
    QTest::newRow("stored 1, no radio") << 1 << 0 << std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9};
    QTest::newRow("stored 9, radio on 8") << 9 << 8 << std::vector<int>{9, 1, 2, 3, 4, 5, 6, 7, 8};
    QTest::newRow("stored 0 names no device") << 0 << 2 << std::vector<int>{1, 2};
    QTest::newRow("stored 10 tries nothing") << 10 << 4 << std::vector<int>{};
  }
  void scanOrder() {
    QFETCH(int, stored);
    QFETCH(int, radioPort);
    QFETCH(std::vector<int>, order);
    sim::ComPortRig rig;
    std::map<int, sim::PtyRadioServer*> radios;
    for (int port = 1; port <= 9; ++port) {
      radios[port] = &rig.AddRadio(port);
      if (port != radioPort) radios[port]->SetFaults({.silent = true});
    }
    Bench bench;
    bench.image.setPortNumber(stored);
    QVERIFY(bench.Run(TRANSFER_READ));
    QCOMPARE(PortsTried(rig, radios), order);
    for (const auto& [port, radio] : radios) {
      // The stored port gets four attempts, every other port two, and none is tried twice.
      const std::size_t attempts = port == stored ? 4 : 2;
      const bool tried = std::find(order.begin(), order.end(), port) != order.end();
      if (port != radioPort) QCOMPARE(radio->CountOf(Kind::Handshake), tried ? attempts : 0u);
    }
    const bool found = radioPort != 0 && !order.empty();
    QCOMPARE(bench.image.portNumber(), found ? radioPort : stored);
    QCOMPARE(bench.presenter.texts(),
             std::vector<std::string>{found ? CTransferJob::kSuccessText
                                            : CTransferJob::kConnectFailedText});
    QCOMPARE(bench.owner.finished, (Finished{{TRANSFER_READ, found ? R::Success : R::NoRadio}}));
    QVERIFY(!bench.image.busy());
  }

  void identificationSilenceStillStoresThePort() {
    sim::ComPortRig rig;
    rig.AddRadio(2).SetFaults({.silentAfterHandshake = true});
    Bench bench;
    bench.image.setPortNumber(2);
    QVERIFY(bench.Run(TRANSFER_READ));
    QCOMPARE(bench.presenter.texts(), std::vector<std::string>{CTransferJob::kConnectFailedText});
    QCOMPARE(bench.image.portNumber(), 2);
    QCOMPARE(bench.owner.finished, (Finished{{TRANSFER_READ, R::NoRadio}}));
  }

  void readPostsBeforeSuccessAndEndsAfterTheBox() {
    sim::ComPortRig rig;
    auto& radio = rig.AddRadio(1);
    for (std::size_t i = 0; i < 0x2000; i += 64) {
      std::vector<std::uint8_t> block(64);
      for (std::size_t k = 0; k < 64; ++k) block[k] = static_cast<std::uint8_t>(i / 64 * 3 + k);
      radio.WriteMemory(static_cast<std::uint16_t>(i), block);
    }
    Bench bench(/*holdBox=*/true);
    QVERIFY(bench.Start(TRANSFER_READ));
    QTRY_COMPARE_WITH_TIMEOUT(bench.presenter.texts().size(), 1u, 20000);
    QCOMPARE(bench.presenter.texts().front(), std::string(CTransferJob::kSuccessText));
    QTRY_COMPARE(bench.owner.finished, (Finished{{TRANSFER_READ, R::Success}}));  // box still up
    QTest::qWait(50);
    QVERIFY(bench.image.busy());  // the user has not closed the box yet
    QVERIFY(bench.job.port()->IsOpen());
    bench.presenter.Release();
    QVERIFY(bench.Finish());
    QVERIFY(!bench.image.busy());
    QVERIFY(!bench.job.port()->IsOpen());
    const std::uint16_t addresses[] = {0x0F80, 0x1F80, 0x0FC0, 0x1FC0};
    for (std::size_t i = 0; i < 4; ++i) {
      QCOMPARE(Bytes(bench.image.region(i).data), radio.ReadMemory(addresses[i], 64));
    }
  }

  void writeSendsTheFourteenBlocksInOrder_data() {
    QTest::addColumn<int>("region0Low");
    QTest::addColumn<std::vector<int>>("firstFour");
    QTest::newRow("default headers") << 0x80 << std::vector<int>{0x0F80, 0x0F90, 0x0FA0, 0x0FB0};
    QTest::newRow("low byte wraps without carry")
        << 0xF0 << std::vector<int>{0x0FF0, 0x0F00, 0x0F10, 0x0F20};
  }
  void writeSendsTheFourteenBlocksInOrder() {
    QFETCH(int, region0Low);
    QFETCH(std::vector<int>, firstFour);
    sim::ComPortRig rig;
    auto& radio = rig.AddRadio(1);
    Bench bench;
    bench.image.region(0).addrLo = static_cast<std::uint8_t>(region0Low);
    for (std::size_t r = 0; r < 4; ++r) {
      auto data = bench.image.region(r).data;
      for (std::size_t k = 0; k < 64; ++k) data[k] = static_cast<std::uint8_t>(r * 64 + k * 5);
    }
    for (std::size_t k = 0; k < 16; ++k)
      bench.image.liveBlock().data[k] = static_cast<std::uint8_t>(k);
    QVERIFY(bench.Run(TRANSFER_WRITE));
    QCOMPARE(bench.presenter.texts(), std::vector<std::string>{CTransferJob::kSuccessText});
    QCOMPARE(bench.owner.finished, (Finished{{TRANSFER_WRITE, R::Success}}));
    auto expected = kDefaultWriteOrder;
    for (std::size_t k = 0; k < 4; ++k) expected[k] = static_cast<std::uint16_t>(firstFour[k]);
    QCOMPARE(WriteAddresses(radio), expected);
    // Every block's bytes arrived; 0x0FE0-0x0FFF were never addressed.
    const std::pair<std::uint16_t, std::size_t> blocks[] = {{expected[4], 72}, {0x0FC0, 138},
                                                            {0x0FD0, 154},     {0x1FC0, 204},
                                                            {0x1FE0, 236},     {0x1FF0, 270}};
    for (auto [address, offset] : blocks) {
      const auto image = bench.image.ToBytes();
      QCOMPARE(radio.ReadMemory(address, 16), Bytes(std::span(image).subspan(offset, 16)));
    }
    if (region0Low == 0x80) {
      QCOMPARE(radio.ReadMemory(0x0FE0, 32), std::vector<std::uint8_t>(32, 0xFF));
    }
  }

  void readFailureKeepsEarlierRegions() {
    sim::ComPortRig rig;
    auto& radio = rig.AddRadio(1);
    radio.WriteMemory(0x0F80, std::vector<std::uint8_t>(64, 0x11));
    radio.WriteMemory(0x1F80, std::vector<std::uint8_t>(64, 0x22));
    radio.WriteMemory(0x0FC0, std::vector<std::uint8_t>(64, 0x33));
    radio.SetFaults({.badReadHeaderByte = 1, .badReadHeaderBlock = 3});
    Bench bench;
    const CalibrationImage::Bytes before = bench.image.ToBytes();
    QVERIFY(bench.Run(TRANSFER_READ));
    QCOMPARE(bench.presenter.texts(), std::vector<std::string>{CTransferJob::kFailureText});
    QCOMPARE(bench.owner.finished, (Finished{{TRANSFER_READ, R::Failed}}));
    QCOMPARE(Bytes(bench.image.region(0).data), std::vector<std::uint8_t>(64, 0x11));
    QCOMPARE(Bytes(bench.image.region(1).data), std::vector<std::uint8_t>(64, 0x22));
    QCOMPARE(Bytes(bench.image.region(2).data),
             Bytes(std::span(before).subspan(layout::RegionOffset(2) + 2, 64)));
  }

  // A slider moved while block 3 was on its way must survive that block's failure.
  void aFailedBlockKeepsAnEditMadeDuringTheRead() {
    Bench bench;
    sim::PtyRadioServer radio;
    radio.SetByteLogger([&](sim::ByteDirection d, std::span<const std::uint8_t> bytes, auto) {
      const std::vector<std::uint8_t> request = {0x52, 0x0F, 0xC0, 0x40};
      if (d != sim::ByteDirection::FromHost || Bytes(bytes) != request) return;
      const auto lock = bench.image.Lock();
      bench.image.WriteBcd16(layout::kBandBaseA, 145);
    });
    radio.SetFaults({.badReadHeaderByte = 2, .badReadHeaderBlock = 3});
    QVERIFY(radio.Start());
    qputenv("VELMORA_COM1", QByteArray::fromStdString(radio.slavePath()));
    bench.image.WriteBcd16(layout::kBandBaseA, 136);
    QVERIFY(bench.Run(TRANSFER_READ));
    qunsetenv("VELMORA_COM1");
    radio.Stop();  // the edit came from the radio's thread
    QCOMPARE(bench.presenter.texts(), std::vector<std::string>{CTransferJob::kFailureText});
    QCOMPARE(bench.image.ReadBcd16(layout::kBandBaseA), 145);
  }

  void writeFailureStopsAtTheFailingBlock() {
    sim::ComPortRig rig;
    auto& radio = rig.AddRadio(1);
    radio.SetFaults({.refuseWriteBlock = 5});
    Bench bench;
    QVERIFY(bench.Run(TRANSFER_WRITE));
    QCOMPARE(bench.presenter.texts(), std::vector<std::string>{CTransferJob::kFailureText});
    QCOMPARE(WriteAddresses(radio), std::vector<std::uint16_t>(kDefaultWriteOrder.begin(),
                                                               kDefaultWriteOrder.begin() + 5));
    QCOMPARE(radio.ReadMemory(0x0FB0, 16), std::vector<std::uint8_t>(16, 0xFF));  // band A, table 3
    QCOMPARE(radio.ReadMemory(0x0F80, 16), std::vector<std::uint8_t>(16, 0x3F));
  }

  // The window's cancel while a write runs: before the first block nothing is written; once the
  // blocks have started one cancel lets the write and its read-back finish, a second stops it at
  // once. cancels: how many cancels arrive with the progress line that starts so.
  void cancelDuringAWrite_data() {
    QTest::addColumn<QString>("at");
    QTest::addColumn<int>("cancels");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("blocks");
    QTest::addColumn<bool>("deferred");
    QTest::newRow("backup, once") << "备份 1/" << 1 << int(R::Cancelled) << 0 << false;
    QTest::newRow("backup, twice") << "备份 2/" << 2 << int(R::Cancelled) << 0 << false;
    QTest::newRow("first block, once") << "写入 1/" << 1 << int(R::Success) << 14 << true;
    QTest::newRow("last block, once") << "写入 14/" << 1 << int(R::Success) << 14 << true;
    QTest::newRow("verify, once") << "校验… 1/" << 1 << int(R::Success) << 14 << true;
    QTest::newRow("third block, twice") << "写入 3/" << 2 << int(R::Cancelled) << 3 << false;
  }
  void cancelDuringAWrite() {
    QFETCH(QString, at);
    QFETCH(int, cancels);
    QFETCH(int, result);
    QFETCH(int, blocks);
    QFETCH(bool, deferred);
    sim::ComPortRig rig;
    auto& radio = rig.AddRadio(1);
    const sim::RadioMemory before = radio.memory();
    QTemporaryDir backups;
    Bench bench;
    TransferOptions options;
    options.backup = options.verify = true;
    options.backupFolder = backups.path();
    bench.job.SetOptions(options);
    // Run on this thread, so that each progress line is told while the job waits for it.
    QObject::connect(&bench.job.reports(), &JobRelay::Progress, [&](const QString& text) {
      if (!text.startsWith(at)) return;
      for (int i = 0; i < cancels; ++i) bench.job.Cancel();
    });
    QVERIFY(bench.job.RunHere(JobOrder::Write(&bench.image)));

    const TransferOutcome outcome = bench.job.Outcome();
    QCOMPARE(int(outcome.result), result);
    QCOMPARE(outcome.blocksWritten, blocks);
    QCOMPARE(int(WriteAddresses(radio).size()), blocks);
    QCOMPARE(outcome.stopDeferred, deferred);
    if (blocks == 0) QCOMPARE(radio.memory(), before);
  }

  void liveOutcomes_data() {
    QTest::addColumn<int>("reply");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("sends");
    QTest::newRow("acknowledged") << int(sim::LiveReply::Normal) << int(R::Success) << 1;
    QTest::newRow("answered 06") << int(sim::LiveReply::AckInstead) << int(R::Failed) << 7;
    QTest::newRow("silent") << int(sim::LiveReply::Silent) << int(R::Failed) << 7;
  }
  void liveOutcomes() {
    QFETCH(int, reply);
    QFETCH(int, result);
    QFETCH(int, sends);
    sim::ComPortRig rig;
    auto& radio = rig.AddRadio(1);
    radio.SetFaults({.liveReply = static_cast<sim::LiveReply>(reply)});
    Bench bench;
    bench.live = *LiveCommandComposer::LevelCommand(bench.image, {Band::A, 1, 15}, 64);
    QVERIFY(bench.Run(TRANSFER_LIVE));
    QVERIFY(bench.presenter.texts().empty());  // a live job shows no box
    QCOMPARE(bench.owner.finished, (Finished{{TRANSFER_LIVE, static_cast<R>(result)}}));
    QCOMPARE(Bytes(bench.image.liveCommandSent()), Bytes(bench.live));
    QCOMPARE(Bytes(bench.image.liveCommand()), Bytes(bench.live));  // as the file records it
    const auto live = radio.liveCommands();
    QCOMPARE(live.size(), std::size_t(sends));
    const std::vector<std::uint8_t> expected = {0xA6, 0x69, 0x80, 0x06, 0x01,
                                                0x81, 0x13, 0x80, 0x0D, 0x40};
    QCOMPARE(Bytes(live.back().bytes), expected);
  }

  void liveWithoutRadioPostsNothing() {
    sim::ComPortRig rig;
    Bench bench;
    bench.image.setPortNumber(10);
    QVERIFY(bench.Run(TRANSFER_LIVE));
    QCOMPARE(bench.presenter.texts(), std::vector<std::string>{CTransferJob::kConnectFailedText});
    QCOMPARE(bench.owner.finished, (Finished{{TRANSFER_LIVE, R::NoRadio}}));
  }

  void otherOperationOnlyTogglesBusy() {
    sim::ComPortRig rig;
    auto& radio = rig.AddRadio(1);
    Bench bench;
    const auto before = bench.image.ToBytes();
    QVERIFY(bench.Run(7));
    QCOMPARE(bench.image.ToBytes(), before);
    QVERIFY(radio.requests().empty());
    QVERIFY(bench.presenter.texts().empty());
    QCOMPARE(bench.owner.finished, (Finished{{7, R::None}}));
  }

  void aSecondJobOnTheSameRecordIsRefused() {
    sim::ComPortRig rig;
    rig.AddRadio(1);
    Bench bench(/*holdBox=*/true);
    QVERIFY(bench.Start(TRANSFER_WRITE));
    QVERIFY(!bench.Start(TRANSFER_READ));
    QTRY_COMPARE_WITH_TIMEOUT(bench.presenter.texts().size(), 1u, 20000);
    QVERIFY(!bench.Start(TRANSFER_LIVE));
    bench.presenter.Release();
    QVERIFY(bench.Finish());
    QVERIFY(bench.Run(7));  // the record serves again once the job has ended
  }

  void aPulledCableFailsTheReadWithoutHanging() {
    sim::ComPortRig rig;
    auto& radio = rig.AddRadio(1);
    radio.SetFaults(
        {.dropReadBlock = 2, .dropAfterBytes = 30, .dropMode = sim::DropMode::CloseLine});
    Bench bench;
    QVERIFY(bench.Run(TRANSFER_READ));
    QCOMPARE(bench.presenter.texts(), std::vector<std::string>{CTransferJob::kFailureText});
    QVERIFY(!bench.image.busy());
  }

  // The bytes on the line for the default image, both directions, byte for byte.
  void wireSequences_data() {
    QTest::addColumn<int>("operation");
    QTest::newRow("read") << TRANSFER_READ;
    QTest::newRow("write") << TRANSFER_WRITE;
    QTest::newRow("live") << TRANSFER_LIVE;
  }
  void wireSequences() {
    QFETCH(int, operation);
    std::mutex mutex;
    std::vector<std::uint8_t> fromHost, toHost;
    sim::PtyRadioServer radio;
    radio.SetByteLogger([&](sim::ByteDirection d, std::span<const std::uint8_t> bytes, auto) {
      const std::lock_guard lock(mutex);
      auto& log = d == sim::ByteDirection::FromHost ? fromHost : toHost;
      log.insert(log.end(), bytes.begin(), bytes.end());
    });
    QVERIFY(radio.Start());
    for (std::uint16_t a = 0; a < 0x2000; ++a) {
      const std::uint8_t v = static_cast<std::uint8_t>(a * 7 + (a >> 8));
      radio.WriteMemory(a, std::span(&v, 1));
    }
    qputenv("VELMORA_COM1", QByteArray::fromStdString(radio.slavePath()));
    Bench bench;
    bench.live = LiveCommandComposer::ToneCommand(bench.image, 0, 7, 670, 128);
    QVERIFY(bench.Run(operation));
    qunsetenv("VELMORA_COM1");
    radio.Stop();

    std::vector<std::uint8_t> host(protocol::kAccessCode.begin(), protocol::kAccessCode.end());
    host.insert(host.end(), {0x02, 0x02, 0x06});
    std::vector<std::uint8_t> reply = {0x06};
    reply.insert(reply.end(), sim::kIdentification.begin(), sim::kIdentification.end());
    reply.push_back(0x06);
    const auto image = bench.image.ToBytes();
    if (operation == TRANSFER_READ) {
      for (std::uint16_t a : {0x0F80, 0x1F80, 0x0FC0, 0x1FC0}) {
        const std::uint8_t hi = a >> 8, lo = a & 0xFF;
        host.insert(host.end(), {0x52, hi, lo, 0x40, 0x06});
        auto data = radio.ReadMemory(a, 64);
        CRadioPort::ScrambleNibbles(data, CRadioPort::Direction::Send);
        reply.insert(reply.end(), {0x57, hi, lo, 0x40});
        reply.insert(reply.end(), data.begin(), data.end());
        reply.push_back(0x06);
      }
    } else if (operation == TRANSFER_WRITE) {
      const std::size_t sources[] = {6, 22, 38, 54, 72, 88, 104, 120, 138, 154, 204, 220, 236, 270};
      for (std::size_t b = 0; b < 14; ++b) {
        const std::uint16_t a = kDefaultWriteOrder[b];
        host.insert(host.end(), {0x57, std::uint8_t(a >> 8), std::uint8_t(a & 0xFF), 0x10});
        std::vector<std::uint8_t> data(image.begin() + sources[b], image.begin() + sources[b] + 16);
        CRadioPort::ScrambleNibbles(data, CRadioPort::Direction::Send);
        host.insert(host.end(), data.begin(), data.end());
        reply.push_back(0x06);
      }
    } else {
      host.insert(host.end(), {0xA6, 0x69, 0x80, 0x06, 0x01, 0x78, 0x9E, 0x02, 0x0D, 0x80});
      reply.push_back(0x09);
    }
    const std::lock_guard lock(mutex);
    QCOMPARE(fromHost, host);
    QCOMPARE(toHost, reply);
  }

  // The image is no mailbox: whatever is composed into its liveCommand before or while a live job
  // runs, the job sends the command it was handed, and the image records that one.
  void aLiveJobSendsTheCommandItWasHanded() {
    sim::ComPortRig rig;
    auto& radio = rig.AddRadio(1);
    Bench bench;
    const auto stray = *LiveCommandComposer::LevelCommand(bench.image, {Band::A, 0, 0}, 0x00);
    bench.live = *LiveCommandComposer::LevelCommand(bench.image, {Band::B, 1, 15}, 0xFF);
    for (int run = 0; run < 3; ++run) {
      LiveCommandComposer::Put(bench.image, stray);
      QVERIFY(bench.Start(TRANSFER_LIVE));
      while (bench.job.IsRunning()) {
        LiveCommandComposer::Put(bench.image, stray);
        QTest::qWait(1);
      }
      QVERIFY(bench.Finish());
      QCOMPARE(radio.liveCommands().size(), std::size_t(run + 1));
      QCOMPARE(radio.liveCommands().back().bytes, bench.live);
      const auto lock = bench.image.Lock();
      QCOMPARE(Bytes(bench.image.liveCommandSent()), Bytes(bench.live));
    }
  }
};

QTEST_GUILESS_MAIN(TransferJobTest)
#include "TransferJobTest.moc"
