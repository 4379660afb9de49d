#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <span>
#include <utility>
#include <vector>

#include "core/LiveCommandComposer.h"
#include "tests/support/TestPorts.h"
#include "transfer/CTestThread.h"
#include "transfer/CTransferJob.h"

namespace velmora::test {

// Stands in for the owner window: records the job's progress texts and its outcomes, in order.
struct JobRecorder {
  explicit JobRecorder(CTransferJob& job) {
    QObject::connect(&job.reports(), &JobRelay::Progress,
                     [this](const QString& text) { progress.push_back(text.toStdString()); });
    QObject::connect(&job.reports(), &JobRelay::Finished,
                     [this](int operation, const TransferOutcome& outcome) {
                       finished.emplace_back(operation, outcome.result);
                     });
  }
  std::vector<std::string> progress;
  std::vector<std::pair<int, TransferOutcome::Result>> finished;
};

inline std::vector<std::uint8_t> Bytes(std::span<const std::uint8_t> s) {
  return {s.begin(), s.end()};
}

// One job record with its owner, presenter and image, as a window holds them.
struct Bench {
  explicit Bench(bool holdBox = false) : presenter(holdBox) {
    image.LoadDefaults();
    job.SetPresenter(&presenter);
    job.SetPortFactory(MakeScaledPort);
  }
  bool Start(int operation) {
    return CTestThread::StartJob(job, JobOrder{&image, operation, live}) != nullptr;
  }
  bool Finish(int timeoutMs = 30000) {
    QElapsedTimer timer;
    timer.start();
    while (job.IsRunning() && timer.elapsed() < timeoutMs) QTest::qWait(5);
    QCoreApplication::sendPostedEvents(&job.reports());
    return !job.IsRunning();
  }
  bool Run(int operation) { return Start(operation) && Finish(); }

  CalibrationImage image;
  LiveCommandComposer::Command live{};  // what a live job is handed
  RecordingPresenter presenter;
  CTransferJob job;
  JobRecorder owner{job};
};

}  // namespace velmora::test
