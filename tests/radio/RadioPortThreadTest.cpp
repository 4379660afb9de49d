#include <QRegularExpression>
#include <QTest>
#include <QThread>
#include <thread>

#include "radio/CRadioPort.h"
#include "radio/PosixSerialLine.h"
#include "tests/radio/PtyPair.h"

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

namespace velmora::test {

// The port object is made on the GUI thread when a job is set up, and every job then uses it on
// its own worker thread.
class RadioPortThreadTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { QTest::failOnWarning(QRegularExpression(".*")); }

  void aPortMadeHereWorksOnEachWorkerThread() {
    PtyPair pty;
    QVERIFY(pty.ok());
    const ProtocolTiming timing = kRealTiming.ScaledDown(10);
    const std::string path = pty.slavePath();
    CRadioPort port(std::make_unique<PosixSerialLine>(
                        timing, PortNames("/nonexistent-velmora-dev", "/nonexistent-velmora-sys",
                                          [path](const std::string& variable) {
                                            return variable == "VELMORA_COM4"
                                                       ? std::optional<std::string>(path)
                                                       : std::nullopt;
                                          })),
                    timing);
    const Bytes request = {'V', 'L', 'M', '8', 'C', 'A', 'L', '!', 0x02};

    for (int job = 0; job < 2; ++job) {
      std::thread radio([&pty, &request] {
        const auto got = pty.Receive(request.size(), 5s);
        if (got == request) {
          pty.Send({0x06});
        }
      });
      bool opened = false;
      bool accepted = false;
      bool closed = false;
      QThread* worker = QThread::create([&] {
        opened = port.Open("COM4");
        accepted = port.Handshake(1);
        closed = port.Close();
      });
      worker->start();
      QVERIFY(worker->wait(10000));
      delete worker;
      radio.join();
      QVERIFY(opened);
      QVERIFY(accepted);
      QVERIFY(closed);
      QVERIFY(!port.IsOpen());
    }
  }
};

}  // namespace velmora::test

QTEST_GUILESS_MAIN(velmora::test::RadioPortThreadTest)
#include "RadioPortThreadTest.moc"
