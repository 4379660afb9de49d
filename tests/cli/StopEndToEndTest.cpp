#include <signal.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>

#include "core/CalibrationFile.h"
#include "core/CalibrationImage.h"
#include "tests/cli/CliProcess.h"

using namespace velmora;
using namespace velmora::test;
using namespace std::chrono_literals;

namespace {

constexpr auto kJobTimeout = 60s;  // a job that never opens its port, or never ends, fails
constexpr int kCancelledExit = 1;

// COM1's state as velmora-cli ports sees it: "free", "busy", ...
QString PortState(const QString& device) {
  const auto ports = RunCli(device, {"ports", "--json"});
  const QJsonArray all = QJsonDocument::fromJson(ports.out.toUtf8())["ports"].toArray();
  return all.at(0)["state"].toString();
}

}  // namespace

// Every command that runs a radio job through the command line's one run shape, stopped by
// SIGINT while it holds the port of a radio that never answers: the job ends as cancelled (not
// after its handshake attempts, which would say the connection failed), the exit code says so,
// and the port is free again for the next program.
class StopEndToEndTest : public QObject {
  Q_OBJECT

 private slots:
  void interruptCancelsTheJobAndFreesThePort_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("read") << QStringList{"read", "out.dat", "--port", "1"};
    QTest::newRow("write") << QStringList{"write", "in.dat", "--port", "1", "--no-backup"};
    QTest::newRow("live") << QStringList{"live", "--band",  "A",   "--table", "0", "--point",
                                         "3",    "--value", "100", "--port",  "1"};
    QTest::newRow("read --ports") << QStringList{"read", ".", "--ports", "1"};
  }
  void interruptCancelsTheJobAndFreesThePort() {
    QFETCH(QStringList, args);
    QTemporaryDir dir;
    CalibrationImage image;
    image.LoadDefaults();
    QVERIFY(CalibrationFile::SaveToFile(image, dir.filePath("in.dat").toStdString(), {}).ok());
    SimProcess radio;
    QVERIFY(radio.Start({"--silent"}));
    QCOMPARE(PortState(radio.path()), "free");
    QProcess cli;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("VELMORA_COM1", radio.path());
    env.insert("XDG_DATA_HOME", dir.filePath("data"));
    cli.setProcessEnvironment(env);
    cli.setWorkingDirectory(dir.path());
    const QString trace = dir.filePath("trace.txt");
    cli.start(VELMORA_CLI_PATH, args + QStringList{"--log", trace});
    QVERIFY(cli.waitForStarted());
    // Its first handshake is on the line: asking for the port's state before that could hold
    // the port just when the job opens it.
    QVERIFY2(WaitForTrace(cli, trace, " host>radio ", 1, kJobTimeout),
             qPrintable(QString::fromUtf8(cli.readAllStandardOutput())));
    QCOMPARE(PortState(radio.path()), "busy");  // the job holds the port, in its attempts
    QVERIFY2(cli.state() == QProcess::Running, "the job ended before it was stopped");
    ::kill(pid_t(cli.processId()), SIGINT);
    QVERIFY(cli.waitForFinished(int(std::chrono::milliseconds(kJobTimeout).count())));
    const QString out = QString::fromUtf8(cli.readAllStandardOutput());
    const QString shown = out + QString::fromUtf8(cli.readAllStandardError());
    QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
    QVERIFY2(cli.exitCode() == kCancelledExit && out.contains("已取消"), qPrintable(shown));
    QVERIFY2(!out.contains("连接对讲机失败"), qPrintable(shown));
    QCOMPARE(PortState(radio.path()), "free");
  }
};

QTEST_GUILESS_MAIN(StopEndToEndTest)
#include "StopEndToEndTest.moc"
