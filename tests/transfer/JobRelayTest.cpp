#include <QTest>
#include <QThread>
#include <thread>
#include <vector>

#include "transfer/JobRelay.h"

using namespace velmora;

// Two workers post as fast as they can, each ending with its outcome, while the owner's thread
// drains: every report arrives once, on the owner's thread, in each worker's order, the outcome
// last (a lost wake-up would strand the tail).
class JobRelayTest : public QObject {
  Q_OBJECT

 private slots:
  void everyReportArrivesOnceInOrderOnTheOwnersThread() {
    constexpr int kWorkers = 2;
    constexpr int kReports = 2000;
    JobRelay relay;
    std::vector<std::vector<int>> seen(kWorkers);
    int wrongThread = 0;
    connect(&relay, &JobRelay::Progress, this, [&](const QString& text, int done, int) {
      if (QThread::currentThread() != thread()) ++wrongThread;
      seen[text.toInt()].push_back(done);
    });
    connect(&relay, &JobRelay::Finished, this, [&](int worker, const TransferOutcome& outcome) {
      if (QThread::currentThread() != thread()) ++wrongThread;
      seen[worker].push_back(outcome.detail == "done" ? -1 : -2);
    });
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) {
      workers.emplace_back([&relay, w] {
        for (int i = 0; i < kReports; ++i) relay.PostProgress(QString::number(w), i, kReports);
        TransferOutcome outcome;
        outcome.detail = "done";
        relay.PostFinished(w, outcome);
      });
    }
    for (auto& worker : workers) worker.join();
    QTRY_VERIFY(seen[0].size() + seen[1].size() == 2u * (kReports + 1));
    QCOMPARE(wrongThread, 0);
    for (const auto& reports : seen) {
      QCOMPARE(static_cast<int>(reports.size()), kReports + 1);
      for (int i = 0; i < kReports; ++i) QCOMPARE(reports[i], i);
      QCOMPARE(reports.back(), -1);
    }
  }

  // An owner that runs the job itself sees each report as it is posted, with no event loop
  // turning; a worker's report still crosses to the owner's thread.
  void deliveredAtOnceOnlyOnTheOwnersOwnThread() {
    JobRelay relay;
    QStringList seen;
    QList<QThread*> threads;
    connect(&relay, &JobRelay::Progress, this, [&](const QString& text) {
      seen << text;
      threads << QThread::currentThread();
    });
    relay.PostProgress("here", 1, 2);
    QCOMPARE(seen, QStringList{"here"});  // before any event is processed
    std::thread([&relay] { relay.PostProgress("worker", 2, 2); }).join();
    QCOMPARE(seen.size(), 1);
    QTRY_COMPARE(seen, (QStringList{"here", "worker"}));
    QCOMPARE(threads, (QList<QThread*>{thread(), thread()}));
  }
};

QTEST_GUILESS_MAIN(JobRelayTest)
#include "JobRelayTest.moc"
