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
  golden.levelTable(0, 0, 5) = 99;
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

QTEST_GUILESS_MAIN(BatchEndToEndTest)
#include "BatchEndToEndTest.moc"
