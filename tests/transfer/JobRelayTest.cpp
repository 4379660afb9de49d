#include <QTest>
#include <QThread>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "tests/support/TestPorts.h"
#include "transfer/CTestThread.h"
#include "transfer/JobRelay.h"
#include "transfer/TransferGate.h"

using namespace velmora;

namespace {

// Hands the owner's questions on to presenter, on the relay's thread.
void AnswerWith(JobRelay& relay, AskedPresenter* presenter) {
  QObject::connect(&relay, &JobRelay::Asked, &relay,
                   [presenter](const QString& text, const QString& detail, const JobReply& reply) {
                     presenter->Present(text, detail, reply);
                   });
}

// A worker of its own that asks one question and says when the answer let it go on.
struct Asker {
  explicit Asker(JobRelay& asked)
      : relay(asked), worker([this] {
          relay.Ask("q", "d");
          answered = true;
        }) {}
  ~Asker() {
    relay.Close();  // lets a worker the test failed to free go, so the test ends
    worker.join();
  }
  JobRelay& relay;
  std::atomic<bool> answered{false};
  std::thread worker;
};

}  // namespace

class JobRelayTest : public QObject {
  Q_OBJECT

 private slots:
  // Two workers post as fast as they can, each ending with its outcome, while the owner's thread
  // drains: every report arrives once, on the owner's thread, in each worker's order, the outcome
  // last (a lost wake-up would strand the tail).
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

  // A job's outcome box is its last news, after its progress and its Finished; the job keeps the
  // gate and keeps running while the box is open, and ends once the owner releases the reply.
  void aJobStaysBusyWhileItsQuestionIsOpen() {
    CalibrationImage image;
    image.LoadDefaults();
    CTransferJob job;
    job.SetPortFactory(test::MakeScaledPort);  // sees no radio: the read fails at once
    job.AskOwner();
    QStringList news;
    connect(&job.reports(), &JobRelay::Progress, this, [&] { news << "progress"; });
    connect(&job.reports(), &JobRelay::Finished, this, [&] { news << "finished"; });
    test::RecordingPresenter owner(/*holdUntilReleased=*/true);
    connect(&job.reports(), &JobRelay::Asked, this,
            [&](const QString& text, const QString& detail, const JobReply& reply) {
              news << "asked";
              owner.Present(text, detail, reply);
            });
    TransferGate gate;
    QVERIFY(CTestThread::StartJob(job, JobOrder{&image, TRANSFER_READ, {}}, {}, &gate));
    QTRY_VERIFY_WITH_TIMEOUT(news.contains("asked"), 20000);
    QTest::qWait(100);  // a worker that did not wait would end meanwhile
    QVERIFY(!gate.IsOpen());
    QVERIFY(job.IsRunning());
    QVERIFY(image.busy());
    QCOMPARE(owner.texts(), std::vector<std::string>{CTransferJob::kConnectFailedText});
    QVERIFY(news.size() > 2 && news.count("progress") == news.size() - 2);
    QCOMPARE(news.mid(news.size() - 2), (QStringList{"finished", "asked"}));
    owner.Release();
    QTRY_VERIFY_WITH_TIMEOUT(gate.IsOpen() && !job.IsRunning(), 5000);
    QCOMPARE(news.size(), news.lastIndexOf("asked") + 1);
  }

  // A worker never waits for an owner that is gone: whoever drops the question answers it.
  void aQuestionLeftOpenFreesItsWorker_data() {
    QTest::addColumn<bool>("delivered");  // the owner has the question before it goes
    QTest::addColumn<bool>("closed");     // the owner closes the relay; else it drops the reply
    QTest::newRow("owner destroyed holding the reply") << true << false;
    QTest::newRow("relay closed with the box open") << true << true;
    QTest::newRow("relay closed before the question arrives") << false << true;
  }
  void aQuestionLeftOpenFreesItsWorker() {
    QFETCH(bool, delivered);
    QFETCH(bool, closed);
    JobRelay relay;
    auto owner = std::make_unique<test::RecordingPresenter>(/*holdUntilReleased=*/true);
    AnswerWith(relay, owner.get());
    Asker asker(relay);
    if (delivered) {
      QTRY_COMPARE(owner->texts().size(), std::size_t{1});
      QTest::qWait(50);
      QVERIFY(!asker.answered);
    }
    if (closed) {
      relay.Close();
    } else {
      owner.reset();
    }
    QTRY_VERIFY(asker.answered);
    if (owner) QCOMPARE(owner->texts().size(), std::size_t{delivered ? 1u : 0u});
  }

  // An owner that runs the job itself is the one who would answer: its question is shown at once
  // and nobody waits, even while the owner keeps the reply.
  void askedOnTheOwnersThreadIsShownAtOnce() {
    JobRelay relay;
    test::RecordingPresenter owner(/*holdUntilReleased=*/true);
    AnswerWith(relay, &owner);
    relay.Ask("失败!", "COM1");
    QCOMPARE(owner.texts(), std::vector<std::string>{"失败!"});
    QCOMPARE(owner.details(), std::vector<std::string>{"COM1"});
  }
};

QTEST_GUILESS_MAIN(JobRelayTest)
#include "JobRelayTest.moc"
