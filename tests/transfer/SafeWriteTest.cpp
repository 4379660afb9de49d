#include <QDir>
#include <QFile>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>
#include <mutex>

#include "core/CalibrationFile.h"
#include "sim/ComPortRig.h"
#include "sim/FactoryAlignment.h"
#include "tests/transfer/JobBench.h"
#include "transfer/BackupFile.h"

using namespace velmora;
using namespace velmora::test;
using Kind = sim::RequestRecord::Kind;

namespace {

// Calls f with each complete host request equal to pattern, on the radio's thread, before the
// radio answers it. Set up before the radio starts.
void OnRequest(sim::PtyRadioServer& radio, std::vector<std::uint8_t> pattern,
               std::function<void()> f) {
  auto window = std::make_shared<std::vector<std::uint8_t>>();
  radio.SetByteLogger([=](sim::ByteDirection d, std::span<const std::uint8_t> bytes, auto) {
    if (d != sim::ByteDirection::FromHost) return;
    for (const std::uint8_t b : bytes) {
      window->push_back(b);
      if (window->size() > pattern.size()) window->erase(window->begin());
      if (*window == pattern) f();
    }
  });
}

// An image whose every written byte differs from the factory radio, and whose region 3 tail
// (never sent) differs from the live block (sent to 0x1FF0 in its place).
void FillImage(CalibrationImage& image) {
  for (std::size_t r = 0; r < 4; ++r) {
    auto data = image.region(r).data;
    for (std::size_t k = 0; k < 64; ++k) data[k] = static_cast<std::uint8_t>(0x40 + r * 7 + k);
  }
  for (std::size_t k = 0; k < 16; ++k) image.liveBlock().data[k] = static_cast<std::uint8_t>(k);
}

std::vector<Kind> KindsWithout(const std::vector<sim::RequestRecord>& requests, Kind skip) {
  std::vector<Kind> kinds;
  for (const auto& r : requests)
    if (r.kind != skip) kinds.push_back(r.kind);
  return kinds;
}

}  // namespace

class SafeWriteTest : public QObject {
  Q_OBJECT

  QTemporaryDir m_dir;
  TransferOptions Safe() const {
    TransferOptions options;
    options.backup = options.verify = true;
    options.backupFolder = m_dir.filePath("backups");
    return options;
  }

 private slots:
  // The backup holds every byte the write changed, as the radio held it; writing the backup puts
  // the radio's whole memory back. The read-back compares only what was sent, so the region 3
  // tail, which the live block replaces on the radio, is no difference.
  void backupRestoresTheRadioAndVerifyPasses() {
    sim::ComPortRig rig;
    auto& radio = rig.AddRadio(1);
    radio.SetMemory(sim::FactoryAlignment::Make());
    radio.WriteMemory(0x1FF0, std::vector<std::uint8_t>(16, 0x5A));
    const sim::RadioMemory before = radio.memory();
    Bench bench;
    FillImage(bench.image);
    bench.job.SetOptions(Safe());
    QVERIFY(bench.Run(TRANSFER_WRITE));
    QCOMPARE(bench.presenter.texts(), std::vector<std::string>{CTransferJob::kSuccessText});
    const QString path = QString::fromStdString(bench.job.BackupPath());
    QCOMPARE(bench.presenter.details(), std::vector<std::string>{"备份: " + path.toStdString()});
    QVERIFY(QFileInfo(path).fileName().endsWith("-COM1-564C4D2D53494D31.dat"));

    std::vector<Kind> expected = {Kind::Handshake, Kind::Identify, Kind::IdentifyAck};
    expected.insert(expected.end(), 4, Kind::ReadBlock);
    expected.insert(expected.end(), 14, Kind::WriteBlock);
    expected.insert(expected.end(), 4, Kind::ReadBlock);
    QCOMPARE(KindsWithout(radio.requests(), Kind::ReadAck), expected);
    std::vector<std::string> steps = {"正在连接 COM1…"};
    for (int k = 1; k <= 4; ++k) steps.push_back("备份 " + std::to_string(k) + "/4");
    for (int k = 1; k <= 14; ++k) steps.push_back("写入 " + std::to_string(k) + "/14");
    for (int k = 1; k <= 4; ++k) steps.push_back("校验… " + std::to_string(k) + "/4");
    QCOMPARE(bench.owner.progress, steps);

    CalibrationImage backup;
    QVERIFY(CalibrationFile::LoadFromFile(backup, path.toStdString(), {}).ok());
    const std::uint16_t addresses[] = {0x0F80, 0x1F80, 0x0FC0, 0x1FC0};
    for (std::size_t i = 0; i < 4; ++i) {
      QCOMPARE(Bytes(backup.region(i).data), Bytes(std::span(before).subspan(addresses[i], 64)));
    }
    QCOMPARE(Bytes(backup.liveBlock().data), std::vector<std::uint8_t>(16, 0x5A));
    QVERIFY(radio.memory() != before);

    Bench restore;
    QVERIFY(CalibrationFile::LoadFromFile(restore.image, path.toStdString(), {}).ok());
    QVERIFY(restore.Run(TRANSFER_WRITE));
    QVERIFY(radio.memory() == before);
  }

  void nothingIsWrittenWithoutABackup_data() {
    QTest::addColumn<bool>("readFails");
    QTest::newRow("backup read fails") << true;
    QTest::newRow("backup cannot be saved") << false;
  }
  void nothingIsWrittenWithoutABackup() {
    QFETCH(bool, readFails);
    sim::ComPortRig rig;
    auto& radio = rig.AddRadio(1);
    if (readFails) radio.SetFaults({.badReadHeaderByte = 0, .badReadHeaderBlock = 2});
    Bench bench;
    TransferOptions options = Safe();
    const QString blocker = m_dir.filePath("not-a-folder");
    QFile file(blocker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    if (!readFails) options.backupFolder = blocker;
    bench.job.SetOptions(options);
    QVERIFY(bench.Run(TRANSFER_WRITE));
    QCOMPARE(bench.presenter.texts(), std::vector<std::string>{CTransferJob::kFailureText});
    QVERIFY(bench.presenter.details().front().find("未写入") != std::string::npos);
    QCOMPARE(radio.CountOf(Kind::WriteBlock), std::size_t{0});
    QVERIFY(bench.job.BackupPath().empty());
  }

  void verifyCatchesARadioThatAcknowledgesButStoresWrong_data() {
    QTest::addColumn<int>("corrupt");
    QTest::addColumn<int>("forget");
    QTest::addColumn<QString>("detail");
    QTest::newRow("stores block 3 wrong")
        << 3 << 0 << "at 0x0FA0 wrote 60, the radio holds 9F (before the write: FF)";
    QTest::newRow("forgets block 14")
        << 0 << 14 << "at 0x1FF1 wrote 01, the radio holds FF (before the write: FF)";
  }
  void verifyCatchesARadioThatAcknowledgesButStoresWrong() {
    QFETCH(int, corrupt);
    QFETCH(int, forget);
    QFETCH(QString, detail);
    sim::ComPortRig rig;
    auto& radio = rig.AddRadio(1);
    radio.WriteMemory(0x1FF0, std::vector<std::uint8_t>{0x00});
    radio.SetFaults({.corruptWriteBlock = corrupt, .forgetWriteBlock = forget});
    Bench bench;
    FillImage(bench.image);
    bench.job.SetOptions(Safe());
    QVERIFY(bench.Run(TRANSFER_WRITE));
    const TransferOutcome outcome = bench.job.Outcome();
    QCOMPARE(outcome.result, TransferOutcome::Result::VerifyFailed);
    QCOMPARE(outcome.step, TransferOutcome::Step::Verify);
    QCOMPARE(outcome.port, "COM1 = " + radio.slavePath());
    QCOMPARE(bench.presenter.texts(), std::vector<std::string>{CTransferJob::kVerifyFailedText});
    const std::string shown = bench.presenter.details().front();
    QVERIFY2(shown.rfind(detail.toStdString(), 0) == 0, shown.c_str());
    QCOMPARE(radio.CountOf(Kind::WriteBlock), std::size_t{14});
  }

  void onlyTheAskedPortIsTried_data() {
    QTest::addColumn<QString>("onCom3");
    QTest::addColumn<QString>("reason");
    QTest::newRow("silent radio") << "silent"
                                  << ": no radio answered the handshake";
    QTest::newRow("nothing") << ""
                             << "COM3 = (no device): missing (no such device)";
    QTest::newRow("held by another program") << "held"
                                             << ": busy (held by another program)";
  }
  void onlyTheAskedPortIsTried() {
    QFETCH(QString, onCom3);
    QFETCH(QString, reason);
    sim::ComPortRig rig;
    auto& radio = rig.AddRadio(5);
    QSerialPort holder;
    if (onCom3 == "silent") rig.AddRadio(3).SetFaults({.silent = true});
    if (onCom3 == "held") {
      holder.setPortName(QString::fromStdString(rig.AddSilentTerminal(3).slavePath()));
      QVERIFY(holder.open(QIODevice::ReadWrite));
    }
    Bench bench;
    bench.image.setPortNumber(3);
    TransferOptions options;
    options.onlyStoredPort = true;
    bench.job.SetOptions(options);
    QVERIFY(bench.Run(TRANSFER_READ));
    QCOMPARE(bench.job.Outcome().result, TransferOutcome::Result::NoRadio);
    QCOMPARE(bench.job.Outcome().step, TransferOutcome::Step::Connect);
    const std::string shown = bench.presenter.details().front();
    QVERIFY2(shown.find(reason.toStdString()) != std::string::npos, shown.c_str());
    QCOMPARE(radio.CountOf(Kind::Handshake), std::size_t{0});
    QCOMPARE(bench.image.portNumber(), 3);
  }

  // Cancelled while silent ports are scanned, and between two write blocks (a write's blocks
  // stop only at a second cancel): the job stops at the next pause between exchanges and says so.
  void cancelStopsBetweenExchanges_data() {
    QTest::addColumn<int>("operation");
    QTest::addColumn<QString>("cancelAt");
    QTest::newRow("silent scan") << TRANSFER_READ << "正在连接 COM2…";
    QTest::newRow("write") << TRANSFER_WRITE << "写入 9/14";
  }
  void cancelStopsBetweenExchanges() {
    QFETCH(int, operation);
    QFETCH(QString, cancelAt);
    sim::ComPortRig rig;
    sim::PtyRadioServer* radio = nullptr;
    if (operation == TRANSFER_WRITE) {
      radio = &rig.AddRadio(1);
      radio->SetFaults({.unansweredWriteBlock = 10});  // the cancel reaches the job meanwhile
    } else {
      for (int port = 1; port <= 9; ++port) rig.AddSilentTerminal(port);
    }
    Bench bench;
    bench.job.SetOptions(Safe());
    QObject::connect(&bench.job.reports(), &JobRelay::Progress, [&](const QString& text) {
      if (text != cancelAt) return;
      bench.job.Cancel();
      if (operation == TRANSFER_WRITE) bench.job.Cancel();
    });
    QElapsedTimer timer;
    timer.start();
    QVERIFY(bench.Run(operation));
    QCOMPARE(bench.job.Outcome().result, TransferOutcome::Result::Cancelled);
    QCOMPARE(bench.job.Outcome().step, operation == TRANSFER_WRITE
                                           ? TransferOutcome::Step::Write
                                           : TransferOutcome::Step::Connect);
    if (radio) {
      QCOMPARE(radio->CountOf(Kind::WriteBlock), std::size_t{10});
      QCOMPARE(radio->CountOf(Kind::ReadBlock), std::size_t{4});  // the backup, no read-back
    } else {
      QVERIFY2(timer.elapsed() < 2000, "a full silent scan takes over 4 s at this timing");
    }
    QVERIFY(!bench.image.busy());
  }

  // Each read of region 1 sees memory changed since the last: the two copies differ until the
  // region holds still, and a region that never does fails the read with its address.
  void readTwiceRereadsARegionThatChanged_data() {
    QTest::addColumn<int>("changes");
    QTest::addColumn<bool>("succeeds");
    QTest::addColumn<int>("reads");
    QTest::newRow("settles after two") << 2 << true << 4;
    QTest::newRow("never settles") << 100 << false << 8;
  }
  void readTwiceRereadsARegionThatChanged() {
    QFETCH(int, changes);
    QFETCH(bool, succeeds);
    QFETCH(int, reads);
    sim::PtyRadioServer radio;
    int seen = 0;  // on the radio's thread until it has stopped
    OnRequest(radio, {0x52, 0x1F, 0x80, 0x40}, [&] {
      if (++seen <= changes)
        radio.WriteMemory(0x1F80, std::vector<std::uint8_t>{std::uint8_t(seen)});
    });
    QVERIFY(radio.Start());
    qputenv("VELMORA_COM1", QByteArray::fromStdString(radio.slavePath()));
    Bench bench;
    TransferOptions options;
    options.readTwice = true;
    bench.job.SetOptions(options);
    QVERIFY(bench.Run(TRANSFER_READ));
    qunsetenv("VELMORA_COM1");
    radio.Stop();
    QCOMPARE(seen, reads);
    QCOMPARE(radio.CountOf(Kind::ReadBlock), std::size_t(succeeds ? 2 + reads + 4 : 2 + reads));
    if (succeeds) {
      QCOMPARE(bench.presenter.texts(), std::vector<std::string>{CTransferJob::kSuccessText});
      QCOMPARE(int(bench.image.region(1).data[0]), changes);
    } else {
      QCOMPARE(bench.presenter.texts(), std::vector<std::string>{CTransferJob::kFailureText});
      QVERIFY(bench.job.Detail().find("at 0x1F80: two copies differed 4 times") !=
              std::string::npos);
    }
  }

  void backupNamesNeverCollide() {
    const QString folder = m_dir.filePath("names");
    QVERIFY(QDir().mkpath(folder));
    const QDateTime when(QDate(2026, 12, 7), QTime(10, 15, 30));
    CalibrationImage::Bytes bytes{};
    QStringList names;
    for (int i = 0; i < 3; ++i) {
      QString path;
      QVERIFY(BackupFile::Save(bytes, folder, when, "COM1", path).ok());
      names << QFileInfo(path).fileName();
      QCOMPARE(QFileInfo(path).size(), qint64{308});
    }
    QCOMPARE(names, (QStringList{"20261207-101530-COM1.dat", "20261207-101530-COM1-2.dat",
                                 "20261207-101530-COM1-3.dat"}));
  }

  // The folder holds the files named; the first is the backup just made, of radio "RAD-0001"
  // (5241442D30303031) on COM1. now: 2026-12-07 10:00.
  void pruningKeepsTheNewestAndTheYoung_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<int>("keep");
    QTest::addColumn<QStringList>("removed");
    const QString made = "20261207-100000-COM1-5241442D30303031.dat";
    const auto ours = [](const char* stamp) {
      return QString(stamp) + "-COM1-5241442D30303031.dat";
    };
    QTest::newRow("younger than a year stay")
        << QStringList{made, ours("20261001-000000"), ours("20251208-000000")} << 1
        << QStringList{};
    QTest::newRow("older beyond the newest go")
        << QStringList{made, ours("20261206-000000"), ours("20251206-000000"),
                       ours("20240101-000000")}
        << 2 << QStringList{ours("20240101-000000"), ours("20251206-000000")};
    QTest::newRow("the newest stay whatever their age")
        << QStringList{made, ours("20200101-000000"), ours("20190101-000000")} << 2
        << QStringList{ours("20190101-000000")};
    QTest::newRow("never the one just made")
        << QStringList{ours("20200101-000000"), ours("20190101-000000")} << 0
        << QStringList{ours("20190101-000000")};
    QTest::newRow("same-second numbers are newer")
        << QStringList{made, ours("20200101-000000"), "20200101-000000-COM1-5241442D30303031-2.dat",
                       "20200101-000000-COM1-5241442D30303031-10.dat"}
        << 2 << QStringList{"20200101-000000-COM1-5241442D30303031-2.dat", ours("20200101-000000")};
    // Benches sharing a folder: another radio on the same port keeps its backups, and this
    // radio's backups go whichever port it was on.
    QTest::newRow("other radios on the same port stay")
        << QStringList{made, "20200101-000000-COM1-5241442D30303032.dat",
                       "20200101-000000-COM1.dat", "20200101-000000-COM1-5241442D303030.dat"}
        << 0 << QStringList{};
    QTest::newRow("this radio on another port goes")
        << QStringList{made, "20200101-000000-COM7-5241442D30303031.dat"} << 0
        << QStringList{"20200101-000000-COM7-5241442D30303031.dat"};
    QTest::newRow("other files stay")
        << QStringList{made, ours("20200101-000000") + ".bak", "notes.txt",
                       "x-20200101-000000-COM1-5241442D30303031.dat", ours("20200101-000000")}
        << 0 << QStringList{ours("20200101-000000")};
  }
  void pruningKeepsTheNewestAndTheYoung() {
    QFETCH(QStringList, files);
    QFETCH(int, keep);
    QFETCH(QStringList, removed);
    QTemporaryDir folder;
    for (const QString& name : files) {
      QFile file(folder.filePath(name));
      QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const QDateTime now(QDate(2026, 12, 7), QTime(10, 0));
    QStringList gone =
        BackupFile::Prune(folder.path(), "RAD-0001", keep, now, folder.filePath(files.first()));
    gone.replaceInStrings(folder.path() + "/", "");
    gone.sort();
    removed.sort();
    QCOMPARE(gone, removed);
    for (const QString& name : files)
      QCOMPARE(QFile::exists(folder.filePath(name)), !removed.contains(name));
  }
};

QTEST_GUILESS_MAIN(SafeWriteTest)
#include "SafeWriteTest.moc"
