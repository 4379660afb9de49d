#include <signal.h>

#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <chrono>
#include <optional>
#include <sstream>
#include <thread>

#include "cli/CliImage.h"
#include "cli/CliRun.h"
#include "core/LiveCommandComposer.h"
#include "sim/ComPortRig.h"
#include "tests/support/TestPorts.h"
#include "transfer/StopSignals.h"

using namespace velmora;
using namespace velmora::test;
using namespace std::chrono_literals;
using Where = CliRun::Where;

namespace {

constexpr auto kRadioPoll = 2ms;
constexpr auto kHandshakeTimeout = 10s;
constexpr const char* kClearLine = "\r\033[K";

// One job record on COM1, as the command line makes it, and what its relay told this thread.
struct Job {
  explicit Job(int operation) {
    image.LoadDefaults();
    image.setPortNumber(1);
    job.SetPresenter(&presenter);
    job.SetPortFactory(MakeScaledPort);
    TransferOptions options;
    options.onlyStoredPort = true;
    job.SetOptions(options);
    QObject::connect(&job.reports(), &JobRelay::Progress, [this](const QString& text) {
      news.push_back(text.toStdString());
      onMainThread =
          onMainThread && QThread::currentThread() == QCoreApplication::instance()->thread();
    });
    QObject::connect(&job.reports(), &JobRelay::Finished,
                     [this](int, const TransferOutcome&) { news.push_back("finished"); });
    const auto live = LiveCommandComposer::LevelCommand(image, {Band::A, 0, 3}, 100);
    job.Begin({&image, operation, operation == TRANSFER_LIVE ? live : std::nullopt});
  }
  // Runs the job through the shape; the news it had when the shape said the body ended.
  int Run(Where where, std::ostream* progress = nullptr) {
    CliRun::Task task = CliRun::Transfer(job, [this](int code) {
      newsAtEnd = news;
      endedCode = code;
    });
    // On workers the job must hear the stop through the shape's cancel alone, not its own poll.
    if (where == Where::Workers) job.SetCancelRequested({});
    return CliRun(where, progress).Run({task});
  }

  CalibrationImage image;
  RecordingPresenter presenter;
  CTransferJob job;
  std::vector<std::string> news, newsAtEnd;
  bool onMainThread = true;
  int endedCode = -1;
};

}  // namespace

Q_DECLARE_METATYPE(Where)

// CliRun, the one run shape of velmora-cli, with real jobs against simulated radios on
// pseudo-terminals.
class CliRunTest : public QObject {
  Q_OBJECT

 private slots:
  // A job run on a worker tells the same news, in the same order, as the job run here, every
  // piece on this thread and all of it before the shape says the body ended; the progress line
  // shows each text in turn and is cleared at the end.
  void newsArrivesInOrderBeforeTheEnd_data() {
    QTest::addColumn<int>("operation");
    QTest::newRow("read") << int(TRANSFER_READ);
    QTest::newRow("write") << int(TRANSFER_WRITE);
    QTest::newRow("live") << int(TRANSFER_LIVE);
  }
  void newsArrivesInOrderBeforeTheEnd() {
    QFETCH(int, operation);
    sim::ComPortRig rig;
    rig.AddRadio(1);
    Job here(operation);
    QCOMPARE(here.Run(Where::Here), kExitOk);
    Job worker(operation);
    std::ostringstream line;
    QCOMPARE(worker.Run(Where::Workers, &line), kExitOk);
    QVERIFY(here.news.size() >= 2);
    QCOMPARE(worker.news, here.news);
    QCOMPARE(worker.newsAtEnd, worker.news);
    QCOMPARE(worker.news.back(), "finished");
    QVERIFY(worker.onMainThread);
    QCOMPARE(worker.endedCode, kExitOk);
    std::string expected;
    for (const auto& text : worker.news)
      if (text != "finished") expected += "\r" + text + "\033[K";
    QCOMPARE(line.str(), expected + kClearLine);
  }

  // A stop signal while a job is in its handshake attempts with a radio that never answers ends
  // it as cancelled, whether the shape catches the signal itself or the command already does
  // (as station and align do), and wherever the body runs; the exit code says it failed.
  void stopSignalCancelsTheBody_data() {
    QTest::addColumn<Where>("where");
    QTest::addColumn<bool>("commandCatches");
    QTest::newRow("here") << Where::Here << false;
    QTest::newRow("workers") << Where::Workers << false;
    QTest::newRow("here, the command's catcher") << Where::Here << true;
    QTest::newRow("workers, the command's catcher") << Where::Workers << true;
  }
  void stopSignalCancelsTheBody() {
    QFETCH(Where, where);
    QFETCH(bool, commandCatches);
    sim::ComPortRig rig;
    sim::PtyRadioServer& radio = rig.AddRadio(1);
    radio.SetFaults({.silent = true});
    std::optional<StopSignals> command;
    if (commandCatches) command.emplace(StopSignals::Stop{}, StopSignals::Delivery::Polled);
    Job job(TRANSFER_READ);
    std::thread interrupter([&radio] {
      const auto end = std::chrono::steady_clock::now() + kHandshakeTimeout;
      while (radio.CountOf(sim::RequestRecord::Kind::Handshake) == 0 &&
             std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(kRadioPoll);
      if (StopSignals::Installed()) ::kill(::getpid(), SIGINT);
    });
    const int code = job.Run(where);
    interrupter.join();
    QCOMPARE(code, kExitTransferFailed);
    QCOMPARE(job.endedCode, kExitTransferFailed);
    QCOMPARE(job.job.Outcome().result, TransferOutcome::Result::Cancelled);
  }
};

QTEST_GUILESS_MAIN(CliRunTest)
#include "CliRunTest.moc"
