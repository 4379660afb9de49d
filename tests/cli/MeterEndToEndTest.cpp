#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include "core/BandSettings.h"
#include "instrument/model/PowerCurve.h"
#include "instrument/model/SimulatedMeter.h"
#include "tests/cli/CliProcess.h"
#include "tests/cli/SimPlan.h"

using namespace velmora;
using namespace velmora::test;

namespace {

constexpr double kNoise = 0.005;  // the simulated meter's default
constexpr qint64 kQueryTimeoutMs = 3000;

// The simulated radio with its meter on a free loopback port; the meter's URL.
QString StartWithMeter(SimProcess& radio, const QStringList& more) {
  if (!radio.Start(QStringList{"--meter", "tcp:127.0.0.1:0"} + more)) return {};
  const QString line = radio.NextLine();
  return line.startsWith("meter ") ? line.mid(6) : QString();
}

double Watts(const QString& out) { return out.section(' ', 0, 0).toDouble(); }

}  // namespace

class MeterEndToEndTest : public QObject {
  Q_OBJECT

 private slots:
  // Each case keeps its settings apart from the others' and from the user's.
  void init() {
    m_config = std::make_unique<QTemporaryDir>();
    m_env = {{"XDG_CONFIG_HOME", m_config->path()}};
  }

  // A live command keys the radio at the point's frequency and level; the meter reads the
  // radio's curve there, and a read job unkeys it.
  void liveCommandThenReadingGivesTheRadiosPower() {
    SimProcess radio;
    const QString url = StartWithMeter(radio, {"--radio-seed", "7", "--pa-settle-ms", "0"});
    QVERIFY(!url.isEmpty());
    const int level = 140;
    const auto live = RunCli(radio.path(), {"live", "--band", "A", "--table", "0", "--point", "3",
                                            "--value", QString::number(level)});
    QCOMPARE(live.exitCode, 0);
    CalibrationImage image;
    image.LoadDefaults();
    const int mhz = BandSettings::FromImage(image, 0).PointMhz(3);
    const QString trace = m_config->filePath("trace.txt");
    const auto read = RunCli(
        radio.path(),
        {"meter", "--meter", url, "--read", "--freq", QString::number(mhz), "--log", trace}, m_env);
    QCOMPARE(read.exitCode, 0);
    const double expected =
        meter::PowerCurve(7).Watts(mhz, level) + meter::SimulatedMeter::kUnzeroedOffsetWatts;
    QVERIFY2(qAbs(Watts(read.out) - expected) < 4 * kNoise * expected,
             qPrintable(read.out + " expected " + QString::number(expected)));
    QVERIFY(read.out.contains(" dBm"));
    const QString traced = QString::fromLatin1(ReadAll(trace));
    QVERIFY2(traced.contains(url + " host>instrument 52 45 41 44 3F 0A"), qPrintable(traced));
    QVERIFY(traced.contains(url + " instrument>host "));

    // The URL kept by --save serves the next call; after a read job nothing is transmitted.
    QCOMPARE(RunCli(radio.path(), {"meter", "--meter", url, "--save"}, m_env).out,
             QString::fromLatin1(meter::SimulatedMeter::kIdentification) + "\n");
    QTemporaryDir dir;
    QCOMPARE(RunCli(radio.path(), {"read", dir.filePath("r.dat")}).exitCode, 0);
    const auto idle = RunCli(radio.path(), {"meter", "--read"}, m_env);
    QCOMPARE(idle.exitCode, 0);
    QVERIFY2(Watts(idle.out) < 1e-3, qPrintable(idle.out + idle.err));
  }

  void meterFaultsFailTheReading_data() {
    QTest::addColumn<QStringList>("fault");
    QTest::addColumn<QString>("message");
    QTest::newRow("silent") << QStringList{"--meter-silent"}
                            << "did not answer SYST:ERR? within 3 s";
    QTest::newRow("error") << QStringList{"--meter-error", "-230"}
                           << "reports: -230,\"Data corrupt or stale\"";
    QTest::newRow("over range") << QStringList{"--meter-overrange"} << "over range (+9.900000E+37)";
  }
  void meterFaultsFailTheReading() {
    QFETCH(QStringList, fault);
    QFETCH(QString, message);
    SimProcess radio;
    const QString url = StartWithMeter(radio, fault);
    QVERIFY(!url.isEmpty());
    QElapsedTimer clock;
    clock.start();
    const auto read = RunCli(radio.path(), {"meter", "--meter", url, "--read"}, m_env);
    QCOMPARE(read.exitCode, 1);
    QVERIFY2(read.err.contains(message), qPrintable(read.err));
    QVERIFY(clock.elapsed() < kQueryTimeoutMs + 8000);  // slack for a loaded or sanitized run

    // An alignment stops on the same fault, with the radio's alignment as it was, and exits as
    // meter does: a device that fails is 1 in every command.
    const QString plan = WriteSimPlan(m_config->filePath("plan.json"), 0);
    const auto align = RunCli(
        radio.path(), {"align", plan, "--meter", url, "--port", "1", "--tables", "A0"}, m_env);
    QCOMPARE(align.exitCode, read.exitCode);
    QVERIFY2(align.err.contains(message), qPrintable(align.err));
  }

  void badUsageExitsTwo_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("no meter") << QStringList{"meter", "--read"};
    QTest::newRow("bad URL") << QStringList{"meter", "--meter", "gpib://7"};
    QTest::newRow("dialect") << QStringList{"meter", "--meter", "sim:", "--dialect", "x"};
    QTest::newRow("averaging") << QStringList{
        "meter", "--meter", "sim:", "--read", "--averaging", "0"};
    QTest::newRow("both") << QStringList{"meter", "--meter", "sim:", "--read", "--zero"};
    QTest::newRow("freq alone") << QStringList{"meter", "--meter", "sim:", "--freq", "145"};
    QTest::newRow("stray") << QStringList{"meter", "--meter", "sim:", "file"};
  }
  void badUsageExitsTwo() {
    QFETCH(QStringList, args);
    const auto result = RunCli({}, args, m_env);
    QCOMPARE(result.exitCode, 2);
    QVERIFY(result.err.contains("usage: velmora-cli meter"));
  }

 private:
  std::unique_ptr<QTemporaryDir> m_config;
  QMap<QString, QString> m_env;
};

QTEST_GUILESS_MAIN(MeterEndToEndTest)
#include "MeterEndToEndTest.moc"
