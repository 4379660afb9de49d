#include <signal.h>

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <memory>

#include "core/CalibrationFile.h"
#include "core/ImageLayout.h"
#include "tests/cli/CliProcess.h"
#include "transfer/WritePlan.h"

using namespace velmora;
using namespace velmora::test;

namespace {

constexpr int kRadios = 4;
constexpr qsizetype kRadioMemorySize = 8192;

// Four simulated radios published as COM1..COM4.
struct Bench {
  std::array<std::unique_ptr<SimProcess>, kRadios> radios;
  QMap<QString, QString> env;

  bool Start(const std::function<QStringList(int port)>& options) {
    for (int port = 1; port <= kRadios; ++port) {
      auto& radio = radios[std::size_t(port - 1)];
      radio = std::make_unique<SimProcess>();
      if (!radio->Start(options(port))) return false;
      env.insert(QString("VELMORA_COM%1").arg(port), radio->path());
    }
    return true;
  }
};

}  // namespace

class BatchEndToEndTest : public QObject {
  Q_OBJECT

 private slots:
  void readsEveryRadioIntoItsOwnFile();
  void writesAllAndNamesTheOneThatFailed();
  void interruptCancelsEveryRadio();
  void portListsAreChecked_data();
  void portListsAreChecked();
  void stopSignalNamesEveryChangedRadio_data();
  void stopSignalNamesEveryChangedRadio();
  void twoNamesForOneDeviceAreRefused();
};

// Each radio's memory holds its own pattern, so a file can only have come from its port.
void BatchEndToEndTest::readsEveryRadioIntoItsOwnFile() {
  QTemporaryDir dir;
  Bench bench;
  QVERIFY(bench.Start([&](int port) {
    const QString memory = dir.filePath(QString("m%1.mem").arg(port));
    QFile file(memory);
    if (file.open(QIODevice::WriteOnly))
      file.write(QByteArray(kRadioMemorySize, char(0x10 * port)));
    return QStringList{"--memory", memory};
  }));
  QVERIFY(QDir(dir.path()).mkdir("out"));
  const auto read = RunCli({}, {"read", dir.filePath("out"), "--ports", "1-4"}, bench.env);
  QCOMPARE(read.exitCode, 0);
  QVERIFY2(read.out.endsWith("4/4 成功\n"), qPrintable(read.out));
  for (int port = 1; port <= kRadios; ++port) {
    const QStringList files =
        QDir(dir.filePath("out")).entryList({QString("COM%1-*.dat").arg(port)}, QDir::Files);
    QCOMPARE(files.size(), 1);
    const QByteArray bytes = ReadAll(dir.filePath("out/" + files[0]));
    QCOMPARE(bytes.size(), 308);
    QCOMPARE(bytes.mid(qsizetype(layout::RegionOffset(0)) + 2, 64),
             QByteArray(64, char(0x10 * port)));
    QVERIFY(read.out.contains(QString("COM%1: 成功!").arg(port)));
  }
}

// One radio refuses its fifth block: the three others are written and verified, the line of the
// fourth says so and where its backup is, and the exit status tells a script something failed.
void BatchEndToEndTest::writesAllAndNamesTheOneThatFailed() {
  QTemporaryDir dir;
  CalibrationImage golden;
  golden.LoadDefaults();
  golden.SetLevel({Band::A, 0, 5}, 99);
  const QString goldenPath = dir.filePath("golden.dat");
  QVERIFY(CalibrationFile::SaveToFile(golden, goldenPath.toStdString(), {}).ok());
  Bench bench;
  QVERIFY(bench.Start([](int port) {
    QStringList options{"--factory"};
    if (port == 3)
      options << "--refuse-write"
              << "5";
    return options;
  }));
  bench.env.insert("XDG_DATA_HOME", dir.filePath("data"));
  const auto write = RunCli({}, {"write", goldenPath, "--ports", "1-4"}, bench.env);
  QCOMPARE(write.exitCode, 1);
  QVERIFY2(write.out.contains("3/4 成功\nnot done: COM3\n"), qPrintable(write.out));
  for (const QString& line : write.out.split('\n', Qt::SkipEmptyParts)) {
    if (!line.startsWith("COM")) continue;
    const bool failing = line.startsWith("COM3:");
    QVERIFY2(line.contains(failing ? "失败!" : "成功!"), qPrintable(line));
    QVERIFY2(failing || line.contains("verified"), qPrintable(line));
    const qsizetype at = line.indexOf("backup: ");
    QVERIFY2(at > 0, qPrintable(line));
    QCOMPARE(ReadAll(line.mid(at + 8).section(' ', 0, 0)).size(), 308);
  }
}

// Ctrl-C stops every job at its next pause between exchanges, long before silent radios would
// have used up their handshake attempts.
void BatchEndToEndTest::interruptCancelsEveryRadio() {
  Bench bench;
  QVERIFY(bench.Start([](int) { return QStringList{"--silent"}; }));
  QProcess cli;
  auto env = QProcessEnvironment::systemEnvironment();
  for (auto it = bench.env.begin(); it != bench.env.end(); ++it) env.insert(it.key(), it.value());
  cli.setProcessEnvironment(env);
  QTemporaryDir dir;
  QVERIFY(QDir(dir.path()).mkdir("out"));
  QElapsedTimer timer;
  timer.start();
  cli.start(VELMORA_CLI_PATH, {"read", dir.filePath("out"), "--ports", "1-4"});
  QVERIFY(cli.waitForStarted());
  QTest::qWait(700);
  ::kill(pid_t(cli.processId()), SIGINT);
  QVERIFY(cli.waitForFinished(10000));
  QVERIFY2(timer.elapsed() < 5000, "four handshake attempts on a silent port take over 8 s");
  QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
  QCOMPARE(cli.exitCode(), 1);
  const QString out = QString::fromUtf8(cli.readAllStandardOutput());
  QCOMPARE(out.count("已取消"), kRadios);
  QVERIFY2(out.contains("0/4 成功\nnot done:"), qPrintable(out));
}

void BatchEndToEndTest::portListsAreChecked_data() {
  QTest::addColumn<QString>("ports");
  QTest::addColumn<QString>("also");
  for (const char* bad : {"0-3", "3-1", "1,x", "10", "1-", ""}) QTest::newRow(bad) << bad << "";
  QTest::newRow("with --port") << "1-2"
                               << "--port=1";
  QTest::newRow("with --scan") << "1-2"
                               << "--scan";
}

void BatchEndToEndTest::portListsAreChecked() {
  QFETCH(QString, ports);
  QFETCH(QString, also);
  QTemporaryDir dir;
  QStringList args{"read", dir.path(), "--ports", ports};
  if (!also.isEmpty()) args << also;
  const auto read = RunCli({}, args);
  QCOMPARE(read.exitCode, 2);
  QVERIFY2(read.err.contains("--ports"), qPrintable(read.err));
}

void BatchEndToEndTest::stopSignalNamesEveryChangedRadio_data() {
  QTest::addColumn<int>("signal");
  QTest::addColumn<int>("radios");
  for (const int radios : {1, kRadios}) {
    const char* kind = radios == 1 ? "single write" : "batch write";
    QTest::addRow("SIGTERM, %s", kind) << SIGTERM << radios;
    QTest::addRow("SIGHUP, %s", kind) << SIGHUP << radios;
  }
}

// Each radio leaves one write block unanswered, so the job waits there when the signal comes; a
// write under way is let go on, and ends failing at that block: radio p holds exactly its first
// 3p - 2 blocks. Every line names what its radio holds, its backup and a restore command that,
// pasted into a shell, puts the memory back byte for byte.
void BatchEndToEndTest::stopSignalNamesEveryChangedRadio() {
  QFETCH(int, signal);
  QFETCH(int, radios);
  QTemporaryDir dir;
  CalibrationImage golden;
  golden.LoadDefaults();
  const QString goldenPath = dir.filePath("golden.dat");
  QVERIFY(CalibrationFile::SaveToFile(golden, goldenPath.toStdString(), {}).ok());
  const WritePlan plan(golden.ToBytes());
  auto memoryOf = [&](int port) { return dir.filePath(QString("m%1.mem").arg(port)); };
  auto heldBlocks = [](int port) { return 3 * port - 2; };
  std::vector<QByteArray> before;
  for (int port = 1; port <= radios; ++port) {
    QByteArray pattern(kRadioMemorySize, 0);
    for (qsizetype i = 0; i < pattern.size(); ++i) pattern[i] = char(i * 7 + port);
    QFile file(memoryOf(port));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(pattern) == pattern.size());
    before.push_back(pattern);
  }
  auto radioOptions = [&](int port) {
    return QStringList{"--memory", memoryOf(port), "--link",
                       dir.filePath(QString("tty%1").arg(port))};
  };
  Bench bench;
  QVERIFY(bench.Start([&](int port) {
    return radioOptions(port) << "--ignore-write" << QString::number(heldBlocks(port) + 1);
  }));
  QMap<QString, QString> env{{"XDG_DATA_HOME", dir.filePath("data it's")}};
  for (int port = 1; port <= kRadios; ++port)
    env.insert(QString("VELMORA_COM%1").arg(port), dir.filePath(QString("tty%1").arg(port)));
  QProcess cli;
  auto processEnv = QProcessEnvironment::systemEnvironment();
  for (auto it = env.begin(); it != env.end(); ++it) processEnv.insert(it.key(), it.value());
  cli.setProcessEnvironment(processEnv);
  cli.start(VELMORA_CLI_PATH, {"write", goldenPath, radios == 1 ? "--port" : "--ports",
                               radios == 1 ? "1" : QString("1-%1").arg(radios)});
  QVERIFY(cli.waitForStarted());
  // The last block each radio stores is in its memory file before the job waits on the next.
  auto holds = [&](int port, int blocks) {
    const WritePlan::Block& last = plan.blocks()[std::size_t(blocks - 1)];
    return ReadAll(memoryOf(port)).mid(last.address, 16) ==
           QByteArray(reinterpret_cast<const char*>(plan.image().data() + last.offset), 16);
  };
  QVERIFY(QTest::qWaitFor(
      [&] {
        for (int port = 1; port <= radios; ++port)
          if (!holds(port, heldBlocks(port))) return false;
        return true;
      },
      20000));
  ::kill(pid_t(cli.processId()), signal);
  QVERIFY(cli.waitForFinished(20000));
  QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
  QCOMPARE(cli.exitCode(), 1);
  const QString out = QString::fromUtf8(cli.readAllStandardOutput());
  for (int port = 1; port <= radios; ++port) {
    const QString line =
        radios == 1 ? out : out.split('\n').filter(QString("COM%1:").arg(port)).value(0);
    QVERIFY2(line.contains("失败!"), qPrintable(out));
    QVERIFY2(line.contains(QString("已写入 %1/14 块").arg(heldBlocks(port))), qPrintable(out));
    QVERIFY2(line.contains("backup: " + dir.filePath("data it's/Velmora/backups/")),
             qPrintable(out));
    const qsizetype at = line.indexOf("restore: ");
    QVERIFY2(at > 0, qPrintable(out));
    const QString restore = line.mid(at + 9).section('\n', 0, 0);
    QVERIFY(restore.endsWith(QString("--port %1").arg(port)));
    // The same radio without its fault, on the same device name.
    auto& radio = bench.radios[std::size_t(port - 1)];
    radio = std::make_unique<SimProcess>();
    QVERIFY(radio->Start(radioOptions(port)));
    QProcess shell;
    shell.setProcessEnvironment(processEnv);
    shell.setProcessChannelMode(QProcess::MergedChannels);
    shell.start("/bin/sh", {"-c", restore});
    QVERIFY(shell.waitForFinished(60000));
    QVERIFY2(shell.exitCode() == 0, qPrintable(restore + "\n" + shell.readAll()));
    QVERIFY(ReadAll(memoryOf(port)) == before[std::size_t(port - 1)]);
  }
}

// Two port names for one device would run two handshakes into one radio at once.
void BatchEndToEndTest::twoNamesForOneDeviceAreRefused() {
  QTemporaryDir dir;
  SimProcess radio;
  const QString log = dir.filePath("radio.log");
  QVERIFY(radio.Start({"--link", dir.filePath("by-id"), "--log", log}));
  const QString golden = dir.filePath("golden.dat");
  CalibrationImage image;
  image.LoadDefaults();
  QVERIFY(CalibrationFile::SaveToFile(image, golden.toStdString(), {}).ok());
  const auto write = RunCli(radio.path(), {"write", golden, "--ports", "1-2"},
                            {{"VELMORA_COM2", dir.filePath("by-id")}});
  QCOMPARE(write.exitCode, 2);
  QVERIFY2(write.err.contains("COM1 (" + radio.path() + ") and COM2 (" + dir.filePath("by-id") +
                              ") are one device"),
           qPrintable(write.err));
  QVERIFY(!ReadAll(log).contains("host>radio"));
}

QTEST_GUILESS_MAIN(BatchEndToEndTest)
#include "BatchEndToEndTest.moc"
