#include <termios.h>

#include <QFile>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <thread>

#include "radio/CRadioPort.h"
#include "radio/PosixSerialLine.h"
#include "tests/radio/PtyPair.h"

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

namespace velmora::test {
namespace {

// Half the real waits: still far apart from each other, and from scheduling noise.
const ProtocolTiming kTiming = kRealTiming.ScaledDown(2);  // gap 194 ms, read 500 n + 500 ms
constexpr auto kSlack = 150ms;

// Plays the radio's side on the pty from a second thread: each step waits, then sends.
class Sender {
 public:
  struct Step {
    std::chrono::milliseconds after;  // since the sender started
    Bytes bytes;
    bool hangUp = false;
  };
  Sender(PtyPair& pty, std::vector<Step> steps)
      : m_thread([&pty, steps = std::move(steps), start = Clock::now()] {
          for (const auto& step : steps) {
            std::this_thread::sleep_until(start + step.after);
            if (step.hangUp) {
              pty.CloseMaster();
            } else {
              pty.Send(step.bytes);
            }
          }
        }) {}
  ~Sender() { m_thread.join(); }

 private:
  std::thread m_thread;
};

std::chrono::milliseconds Since(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

}  // namespace

class PosixSerialLineTest : public QObject {
  Q_OBJECT

 private:
  struct Opened {
    PtyPair pty;
    PosixSerialLine line;
    explicit Opened(const ProtocolTiming& timing = kTiming) : line(timing) {}
  };

  // Times one read of n bytes while the sender plays its steps.
  static std::pair<Bytes, std::chrono::milliseconds> TimedRead(Opened& o, std::size_t n,
                                                               std::vector<Sender::Step> steps) {
    Bytes buffer(n);
    const auto start = Clock::now();
    int got = 0;
    std::chrono::milliseconds elapsed{};
    {
      Sender sender(o.pty, std::move(steps));
      got = o.line.Read(buffer);
      elapsed = Since(start);  // before the sender finishes its later steps
    }
    buffer.resize(static_cast<std::size_t>(std::max(got, 0)));
    return {buffer, elapsed};
  }

 private slots:
  void init() {
    QVERIFY(PtyPair().ok());
    QTest::failOnWarning(QRegularExpression(".*"));
  }

  void openAppliesTheLineSettings() {
    Opened o;
    termios before{};
    QCOMPARE(::tcgetattr(o.pty.masterFd(), &before), 0);
    cfsetispeed(&before, B1200);
    cfsetospeed(&before, B1200);
    before.c_cflag = (before.c_cflag & ~CSIZE) | CS7 | PARENB | CSTOPB;
    before.c_iflag |= IXON | IXOFF | ICRNL;
    before.c_lflag |= ICANON | ECHO;
    QCOMPARE(::tcsetattr(o.pty.masterFd(), TCSANOW, &before), 0);
    QCOMPARE(::tcgetattr(o.pty.masterFd(), &before), 0);  // as far as a pseudo-terminal keeps it

    QVERIFY(o.line.Open(o.pty.slavePath()));
    termios t{};
    QCOMPARE(::tcgetattr(o.pty.masterFd(), &t), 0);
    const auto restore = qScopeGuard([&] {
      // The next program finds the line as it was before this one.
      QVERIFY(o.line.Close());
      termios after{};
      QCOMPARE(::tcgetattr(o.pty.masterFd(), &after), 0);
      QCOMPARE(cfgetospeed(&after), speed_t(B1200));
      QCOMPARE(after.c_cflag, before.c_cflag);
      QCOMPARE(after.c_iflag, before.c_iflag);
      QCOMPARE(after.c_lflag, before.c_lflag);
    });
    QCOMPARE(cfgetispeed(&t), speed_t(B9600));
    QCOMPARE(cfgetospeed(&t), speed_t(B9600));
    QCOMPARE(t.c_cflag & CSIZE, tcflag_t(CS8));
    QCOMPARE(t.c_cflag & (PARENB | CSTOPB), tcflag_t(0));
    QVERIFY(t.c_cflag & CREAD);
    // Raw binary: no line editing, echo, signals, translation or software flow control.
    QCOMPARE(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), tcflag_t(0));
    QCOMPARE(t.c_iflag & (IXON | IXOFF | ICRNL | INLCR | ISTRIP), tcflag_t(0));
    QCOMPARE(t.c_oflag & OPOST, tcflag_t(0));
  }

  void readReturnsTheMomentAllBytesAreIn() {
    Opened o;
    QVERIFY(o.line.Open(o.pty.slavePath()));
    const auto [bytes, elapsed] =
        TimedRead(o, 4, {{60ms, {0x57, 0x00}}, {160ms, {0x11, 0x13}}, {300ms, {0xEE}}});
    QCOMPARE(bytes, (Bytes{0x57, 0x00, 0x11, 0x13}));
    QVERIFY2(elapsed >= 150ms && elapsed < 160ms + 80ms, std::to_string(elapsed.count()).c_str());
    // The byte after the read stays for the next one.
    Bytes next(1);
    QCOMPARE(o.line.Read(next), 1);
    QCOMPARE(next[0], std::uint8_t(0xEE));
  }

  void gapEndsAReadOnlyAfterTheFirstByte_data() {
    QTest::addColumn<int>("firstAt");
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("bytesSent");
    QTest::addColumn<int>("expectedMs");  // when the read should end
    const int gap = static_cast<int>(kTiming.readInterval.count());
    // Three of ten bytes, then silence: the gap ends the read long before the total time-out.
    QTest::newRow("stall after three") << 50 << 10 << 3 << 50 + gap;
    // Silence longer than the gap before the first byte does not end the read.
    QTest::newRow("late first byte") << 2 * gap << 1 << 1 << 2 * gap;
    // Nothing at all: only the total time-out ends it.
    QTest::newRow("silence") << 0 << 1 << 0 << static_cast<int>(kTiming.ReadTotal(1).count());
  }

  void gapEndsAReadOnlyAfterTheFirstByte() {
    QFETCH(int, firstAt);
    QFETCH(int, n);
    QFETCH(int, bytesSent);
    QFETCH(int, expectedMs);
    Opened o;
    QVERIFY(o.line.Open(o.pty.slavePath()));
    std::vector<Sender::Step> steps;
    if (bytesSent > 0) {
      steps.push_back({std::chrono::milliseconds(firstAt), Bytes(bytesSent, 0x5A)});
    }
    const auto [bytes, elapsed] = TimedRead(o, static_cast<std::size_t>(n), steps);
    QCOMPARE(static_cast<int>(bytes.size()), bytesSent);
    const auto expected = std::chrono::milliseconds(expectedMs);
    QVERIFY2(elapsed >= expected - 5ms && elapsed < expected + kSlack,
             std::to_string(elapsed.count()).c_str());
  }

  void totalTimeoutEndsATrickle() {
    // A table whose gap outlasts the total: the total time-out must win.
    const ProtocolTiming timing{200ms, 100ms, 100ms, 1000ms, 2ms, 200ms, 100ms, 2ms};
    Opened o(timing);
    QVERIFY(o.line.Open(o.pty.slavePath()));
    const auto [bytes, elapsed] = TimedRead(o, 2, {{200ms, {0x01}}});  // total: 300 ms
    QCOMPARE(bytes, Bytes{0x01});
    QVERIFY2(elapsed >= 295ms && elapsed < 300ms + 80ms, std::to_string(elapsed.count()).c_str());
  }

  void writeReportsTheCountSent() {
    Opened o;
    const Bytes request = {'V', 'L', 'M', '8', 'C', 'A', 'L', '!', 0x02};
    QCOMPARE(o.line.Write(request), 0);  // not open yet
    QVERIFY(o.line.Open(o.pty.slavePath()));
    QCOMPARE(o.line.Write(request), 9);
    QCOMPARE(o.line.Write(Bytes{}), 0);
    QCOMPARE(o.pty.Receive(9, 1s), request);
    const Bytes all = [] {
      Bytes b(256);
      for (int i = 0; i < 256; ++i) b[i] = static_cast<std::uint8_t>(i);
      return b;
    }();
    QCOMPARE(o.line.Write(all), 256);
    QCOMPARE(o.pty.Receive(256, 1s), all);  // binary: nothing translated or swallowed
  }

  void purgeDiscardsPendingInput() {
    Opened o;
    QVERIFY(o.line.Open(o.pty.slavePath()));
    QVERIFY(o.pty.Send({0x06, 0x06, 0x06}));
    Bytes one(1);
    QCOMPARE(o.line.Read(one), 1);  // the other two now wait in the port's own buffer
    QVERIFY(o.pty.Send({0x09, 0x09}));
    std::this_thread::sleep_for(50ms);  // ...and these in the system's queue
    o.line.Purge();
    QVERIFY(o.pty.Send({0xAA}));
    Bytes two(2);
    QCOMPARE(o.line.Read(two), 1);
    QCOMPARE(two[0], std::uint8_t(0xAA));
  }

  void transfersOnANeverOpenedPortTransferNothing() {
    CRadioPort port(std::make_unique<PosixSerialLine>(kTiming));
    std::array<std::uint8_t, 4> buffer{};
    QVERIFY(!port.IsOpen());
    QCOMPARE(port.Write(buffer), 0);
    QCOMPARE(port.Read(buffer), 0);
    QVERIFY(!port.Identify());
    QVERIFY(port.Close());
  }

  void aDeviceOpenElsewhereCannotBeOpened() {
    Opened o;
    PosixSerialLine second(kTiming);
    QVERIFY(o.line.Open(o.pty.slavePath()));
    QVERIFY(!second.Open(o.pty.slavePath()));
    QVERIFY(o.line.Close());
    QVERIFY(second.Open(o.pty.slavePath()));
    QVERIFY(second.Close());
  }

  // Programs that mark a device theirs with a lock file (minicom, Qt's serial port) keep it while
  // their process lives; a lock left by a dead process does not hold the device. The lock is
  // named after the device itself, also when the port is reached through a link.
  void aLockFileOfALiveProcessHoldsTheDevice_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("throughLink");
    QTest::addColumn<bool>("opens");
    const qint64 pid = QCoreApplication::applicationPid();
    const QByteArray self = QByteArray::number(pid);
    const std::int32_t binary = static_cast<std::int32_t>(pid);
    const QByteArray binaryPid(reinterpret_cast<const char*>(&binary), sizeof binary);
    QTest::newRow("uucp, live") << QByteArray("%1\n").replace("%1", self.rightJustified(10))
                                << false << false;
    QTest::newRow("qt, live") << self + "\nholder\nhost\n" << false << false;
    QTest::newRow("binary, live") << binaryPid << false << false;
    QTest::newRow("uucp, through a link") << self.rightJustified(10) + "\n" << true << false;
    QTest::newRow("binary, through a link") << binaryPid << true << false;
    QTest::newRow("dead process") << QByteArray("2147483646\n") << false << true;
    QTest::newRow("dead, binary") << QByteArray("\xfe\xff\xff\x7f", 4) << true << true;
    QTest::newRow("garbage") << QByteArray("not a pid\n") << false << true;
    QTest::newRow("short binary") << binaryPid.left(3) << false << true;
  }

  void aLockFileOfALiveProcessHoldsTheDevice() {
    QFETCH(QByteArray, content);
    QFETCH(bool, throughLink);
    QFETCH(bool, opens);
    Opened o;
    QString name = QString::fromStdString(o.pty.slavePath()).mid(5).replace('/', '_');
    QFile lock("/var/lock/LCK.." + name);
    QVERIFY2(lock.open(QIODevice::WriteOnly | QIODevice::NewOnly), "the lock folder is writable");
    const auto remove = qScopeGuard([&] { lock.remove(); });
    lock.write(content);
    lock.close();
    QTemporaryDir links;
    const QString link = links.filePath("usb-Velmora_Radio-if00");
    QVERIFY(QFile::link(QString::fromStdString(o.pty.slavePath()), link));
    const std::string device = throughLink ? link.toStdString() : o.pty.slavePath();
    QCOMPARE(o.line.Open(device), opens);
    QCOMPARE(o.line.LastOpenStatus().state,
             opens ? PortStatus::State::Free : PortStatus::State::Busy);
  }

  void openFailsForAMissingDeviceOrComName() {
    PosixSerialLine line(kTiming, PortNames("/nonexistent-velmora-dev", "/nonexistent-velmora-sys",
                                            [](const std::string&) { return std::nullopt; }));
    QVERIFY(!line.Open("/dev/nonexistent-velmora-tty"));
    QVERIFY(!line.Open("COM1"));
    Bytes buffer(1);
    QCOMPARE(line.Read(buffer), 0);
  }

  void comNameResolvesThroughTheEnvironment() {
    Opened o;
    const std::string path = o.pty.slavePath();
    PosixSerialLine line(kTiming, PortNames("/nonexistent-velmora-dev", "/nonexistent-velmora-sys",
                                            [path](const std::string& variable) {
                                              return variable == "VELMORA_COM7"
                                                         ? std::optional<std::string>(path)
                                                         : std::nullopt;
                                            }));
    QVERIFY(line.Open("COM7"));
    QCOMPARE(line.Write(Bytes{0x02}), 1);
    QCOMPARE(o.pty.Receive(1, 1s), Bytes{0x02});
  }

  void aVanishingLineEndsTheReadWithinItsTimeouts_data() {
    QTest::addColumn<bool>("bytesFirst");
    QTest::newRow("silent, then gone") << false;
    QTest::newRow("two bytes, then gone") << true;
  }

  void aVanishingLineEndsTheReadWithinItsTimeouts() {
    QFETCH(bool, bytesFirst);
    Opened o;
    QVERIFY(o.line.Open(o.pty.slavePath()));
    std::vector<Sender::Step> steps;
    if (bytesFirst) {
      steps.push_back({50ms, {0x57, 0x01}});
    }
    steps.push_back({100ms, {}, true});
    const auto [bytes, elapsed] = TimedRead(o, 68, steps);
    QVERIFY(bytes.size() <= 2);
    // The hang-up itself ends the read: no waiting out the gap or the 34.5 s total.
    QVERIFY2(elapsed < 100ms + kSlack, std::to_string(elapsed.count()).c_str());
    Bytes again(1);
    QCOMPARE(o.line.Read(again), 0);
    o.line.Write(Bytes{0x06});  // whatever it reports, it must come back
    QVERIFY(o.line.Close());
  }
};

}  // namespace velmora::test

QTEST_GUILESS_MAIN(velmora::test::PosixSerialLineTest)
#include "PosixSerialLineTest.moc"
