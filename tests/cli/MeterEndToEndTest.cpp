#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <thread>

#include "core/BandSettings.h"
#include "model/PowerCurve.h"
#include "model/SimulatedMeter.h"
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

// The reading's line: "W dBm (offset X dB included)", after the line naming what was used.
double Watts(const QString& out) { return out.section('\n', -2, -2).section(' ', 0, 0).toDouble(); }

// A peer on a loopback port that answers every line it is sent with the same bytes: a web
// server, or a meter whose answers hold control sequences. Its own thread, as the command blocks.
class AnsweringPeer {
 public:
  explicit AnsweringPeer(QByteArray answer) : m_answer(std::move(answer)) {
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), size);
    ::listen(m_listener, 4);
    ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size);
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { Serve(); });
  }
  ~AnsweringPeer() {
    ::shutdown(m_listener, SHUT_RDWR);
    m_thread.join();
    ::close(m_listener);
  }
  QString url() const { return QStringLiteral("tcp://127.0.0.1:%1").arg(m_port); }

 private:
  void Serve() {
    for (;;) {
      const int peer = ::accept(m_listener, nullptr, nullptr);
      if (peer < 0) return;
      char buffer[256];
      while (::recv(peer, buffer, sizeof buffer, 0) > 0) {
        ::send(peer, m_answer.constData(), size_t(m_answer.size()), MSG_NOSIGNAL);
      }
      ::close(peer);
    }
  }

  QByteArray m_answer;
  int m_listener = -1;
  quint16 m_port = 0;
  std::thread m_thread;
};

bool HoldsControlBytes(const QString& text) {
  return std::any_of(text.begin(), text.end(),
                     [](QChar c) { return c.unicode() < 0x20 && c != '\n'; });
}

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
    // The SCPI line as text beside its bytes, escaped as shown text is; the answer is a number.
    QVERIFY2(traced.contains(url + " host>instrument 52 45 41 44 3F 0A  $'READ?\\n'"),
             qPrintable(traced));
    static const QRegularExpression answer(" instrument>host [0-9A-F ]+  \\$?'?[+-][0-9.]+E");
    QVERIFY2(traced.contains(answer), qPrintable(traced));

    // The URL kept by --save serves the next call; after a read job nothing is transmitted.
    const auto saved = RunCli(radio.path(), {"meter", "--meter", url, "--save"}, m_env);
    QCOMPARE(saved.out.section('\n', 1, 1),
             QString::fromLatin1(meter::SimulatedMeter::kIdentification));
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
    QTest::newRow("over range") << QStringList{"--meter-overrange"}
                                << "with \"+9.900000E+37\": over range";
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
    QTest::addColumn<QString>("message");
    const QString usage = "usage: velmora-cli meter";
    QTest::newRow("no meter") << QStringList{"meter", "--read"} << usage;
    QTest::newRow("bad URL") << QStringList{"meter", "--meter", "gpib://7"} << usage;
    QTest::newRow("dialect") << QStringList{"meter", "--meter", "sim:", "--dialect", "x"} << usage;
    QTest::newRow("averaging") << QStringList{"meter",  "--meter",     "sim:",
                                              "--read", "--averaging", "0"}
                               << usage;
    QTest::newRow("both") << QStringList{"meter", "--meter", "sim:", "--read", "--zero"} << usage;
    QTest::newRow("freq alone") << QStringList{"meter", "--meter", "sim:", "--freq", "145"}
                                << usage;
    QTest::newRow("stray") << QStringList{"meter", "--meter", "sim:", "file"} << usage;
    QTest::newRow("offset nan") << QStringList{"meter", "--meter", "sim:", "--offset", "nan"}
                                << "--offset";
    QTest::newRow("offset 1e308") << QStringList{"meter", "--meter", "sim:", "--offset", "1e308"}
                                  << "offset 1e+308 dB lies outside";
    QTest::newRow("meter twice") << QStringList{"meter", "--meter", "sim:", "--meter", "sim:"}
                                 << "option --meter given more than once";
    QTest::newRow("read twice") << QStringList{"meter", "--meter", "sim:", "--read", "-read"}
                                << "given more than once";
    QTest::newRow("URL with escapes")
        << QStringList{"meter", "--meter", "\x1b]0;x\x07tcp://h"} << "\\e]0;x\\x07tcp://h: ";
  }
  void badUsageExitsTwo() {
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    const auto result = RunCli({}, args, m_env);
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(result.err.contains(message), qPrintable(result.err));
    QVERIFY2(!HoldsControlBytes(result.err + result.out), qPrintable(result.err));
  }

  // A stored offset is applied only where the output says so; a --save the meter did not answer
  // for, or answered as no meter does, leaves the stored settings as they were, byte for byte.
  void aFailedSaveChangesNothingAndTheOffsetInUseIsNamed() {
    SimProcess radio;
    const QString url = StartWithMeter(radio, {});
    QVERIFY(!url.isEmpty());
    const auto saved = RunCli({}, {"meter", "--meter", url, "--offset", "10", "--save"}, m_env);
    QCOMPARE(saved.exitCode, 0);
    QCOMPARE(saved.out.section('\n', 0, 0),
             "meter " + url + ", dialect scpi-1999 (built in), offset 10 dB");
    const QString file = m_config->filePath("Velmora/velmora.conf");
    const QByteArray before = ReadAll(file);
    QVERIFY(before.contains("attenuatorDb=10"));

    AnsweringPeer web("HTTP/1.1 400 Bad Request\r\n\r\n");
    AnsweringPeer hostile("\x1b]0;owned\x07\x1b[2JACME,PM,1,2\n");
    AnsweringPeer flood(QByteArray(70000, 'A'));
    const std::vector<std::pair<QString, QString>> failing = {
        {"usbtmc:///dev/velmora-no-such-meter", "no such device, not a character device"},
        {web.url(), "with \"HTTP/1.1 400 Bad Request\", not a meter's identification"},
        {hostile.url(), "with \"\\e]0;owned\\x07\\e[2JACME,PM,1,2\", not a meter's"},
        {flood.url(), "with more than 65536 bytes"},
    };
    for (const auto& [target, message] : failing) {
      const auto save = RunCli({}, {"meter", "--meter", target, "--offset", "30", "--save"}, m_env);
      QCOMPARE(save.exitCode, 1);
      QVERIFY2(save.err.contains(message) && save.err.contains("(nothing saved)"),
               qPrintable(save.err));
      QVERIFY2(!HoldsControlBytes(save.out + save.err), qPrintable(save.err));
      QCOMPARE(ReadAll(file), before);
    }
    const auto read = RunCli({}, {"meter", "--read"}, m_env);
    QCOMPARE(read.exitCode, 0);
    QVERIFY2(read.out.startsWith("meter " + url +
                                 ", dialect scpi-1999 (built in), offset 10 dB "
                                 "(stored)\n"),
             qPrintable(read.out));
    QVERIFY2(read.out.endsWith(" dBm  (offset 10 dB included)\n"), qPrintable(read.out));
  }

  // A meter family added in the user's own table of dialects, used against the simulated meter.
  void aUsersDialectReachesTheMeter() {
    SimProcess radio;
    const QString url = StartWithMeter(radio, {});
    QVERIFY(!url.isEmpty());
    QVERIFY(QDir(m_config->path()).mkpath("Velmora"));
    const QString table = m_config->filePath("Velmora/dialects.json");
    QFile file(table);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"({"long-form": {"description": "Long-form SCPI", "identify": "*IDN?",
        "reset": "*RST", "clearStatus": "*CLS", "configure": "CONFigure:POWer:AC",
        "unitsWatts": "UNIT:POWer W", "averaging": "SENSe:AVERage:COUNt {count}",
        "offset": "SENSe:CORRection:OFFSet {db}", "frequency": "SENSe:FREQuency:CW {hz}",
        "zero": "CALibration:ZERO:AUTO ONCE", "waitDone": "*OPC?", "read": "MEASure:POWer:AC?",
        "nextError": "SYSTem:ERRor:NEXT?"}})");
    file.close();
    const auto list = RunCli({}, {"meter", "--dialects"}, m_env);
    QCOMPARE(list.exitCode, 0);
    QVERIFY2(list.out.contains("long-form  Long-form SCPI  (" + table + ")\n"),
             qPrintable(list.out));
    QVERIFY2(list.out.contains("scpi-1999  Generic SCPI-1999 RF power meter  (built in)\n"),
             qPrintable(list.out));
    const QString trace = m_config->filePath("trace.txt");
    const auto read = RunCli(
        {}, {"meter", "--meter", url, "--dialect", "long-form", "--read", "--log", trace}, m_env);
    QVERIFY2(read.exitCode == 0, qPrintable(read.err));
    QVERIFY(read.out.startsWith("meter " + url + ", dialect long-form (" + table + ")"));
    // "MEASure:POWer:AC?" went to the meter, byte for byte.
    QVERIFY2(ReadAll(trace).contains("4D 45 41 53 75 72 65 3A 50 4F 57 65 72 3A 41 43 3F 0A"),
             qPrintable(ReadAll(trace)));
  }

  // A FIFO where the settings file belongs is named at once, not read until a writer comes.
  void aFifoAsTheSettingsFileIsRefused() {
    QVERIFY(QDir(m_config->path()).mkpath("Velmora"));
    const QByteArray fifo = QFile::encodeName(m_config->filePath("Velmora/velmora.conf"));
    QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
    const auto result = RunCli({}, {"meter", "--meter", "sim:"}, m_env);
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(result.err.contains("velmora.conf: a FIFO, not a settings file"),
             qPrintable(result.err));
  }

 private:
  std::unique_ptr<QTemporaryDir> m_config;
  QMap<QString, QString> m_env;
};

QTEST_GUILESS_MAIN(MeterEndToEndTest)
#include "MeterEndToEndTest.moc"
