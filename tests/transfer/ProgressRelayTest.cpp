#include <QTest>
#include <QThread>
#include <thread>
#include <vector>

#include "transfer/ProgressRelay.h"

using namespace velmora;

// Two workers post as fast as they can while the owner's thread drains: every report arrives
// once, on the owner's thread, in each worker's order (a lost wake-up would strand the tail).
class ProgressRelayTest : public QObject {
  Q_OBJECT

 private slots:
  void everyReportArrivesOnceInOrderOnTheOwnersThread() {
    constexpr int kWorkers = 2;
    constexpr int kReports = 2000;
    ProgressRelay relay;
    std::vector<std::vector<int>> seen(kWorkers);
    int wrongThread = 0;
    connect(&relay, &ProgressRelay::Progress, this, [&](const QString& text, int done, int) {
      if (QThread::currentThread() != thread()) ++wrongThread;
      seen[text.toInt()].push_back(done);
    });
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) {
      workers.emplace_back([&relay, w] {
        for (int i = 0; i < kReports; ++i) relay.Post(std::to_string(w), i, kReports);
      });
    }
    for (auto& worker : workers) worker.join();
    QTRY_VERIFY(seen[0].size() + seen[1].size() == 2u * kReports);
    QCOMPARE(wrongThread, 0);
    for (const auto& reports : seen) {
      QCOMPARE(static_cast<int>(reports.size()), kReports);
      for (int i = 0; i < kReports; ++i) QCOMPARE(reports[i], i);
    }
  }
};

QTEST_GUILESS_MAIN(ProgressRelayTest)
#include "ProgressRelayTest.moc"
