#include <QRegularExpression>
#include <QTest>

#include "radio/CRadioPort.h"
#include "radio/PosixSerialLine.h"
#include "tests/radio/PtyPair.h"

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

namespace velmora::test {

// The production port at real timing, found through its COM name, against a radio that never
// answers.
class RadioPortRealtimeTest : public QObject {
  Q_OBJECT

 private slots:
  void silentRadioHandshakeTakesFourTimeouts() {
    QTest::failOnWarning(QRegularExpression(".*"));
    PtyPair pty;
    QVERIFY(pty.ok());
    qputenv("VELMORA_COM9", QByteArray::fromStdString(pty.slavePath()));
    CRadioPort port(std::make_unique<PosixSerialLine>());
    QVERIFY(port.Open("COM9"));

    const auto start = std::chrono::steady_clock::now();
    QVERIFY(!port.Handshake(3));
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    // 200 ms pause, then four requests each waiting out a 2 s read.
    qInfo("silent handshake took %lld ms", static_cast<long long>(elapsed.count()));
    QVERIFY2(elapsed >= 8100ms && elapsed <= 9500ms, std::to_string(elapsed.count()).c_str());

    const Bytes request = {'V', 'L', 'M', '8', 'C', 'A', 'L', '!', 0x02};
    Bytes expected;
    for (int i = 0; i < 4; ++i) {
      expected.insert(expected.end(), request.begin(), request.end());
    }
    QCOMPARE(pty.Receive(expected.size() + 1, 500ms), expected);
    QVERIFY(port.Close());
    qunsetenv("VELMORA_COM9");
  }
};

}  // namespace velmora::test

QTEST_GUILESS_MAIN(velmora::test::RadioPortRealtimeTest)
#include "RadioPortRealtimeTest.moc"
