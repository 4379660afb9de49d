#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <span>
#include <utility>
#include <vector>

#include "tests/support/TestPorts.h"
#include "transfer/CTestThread.h"
#include "transfer/CTransferJob.h"
#include "transfer/TransferDoneEvent.h"

namespace velmora::test {

// Stands in for the owner window: records what the worker posts, in order.
class PostReceiver : public QObject {
 public:
  std::vector<std::pair<int, int>> posts;
  bool event(QEvent* e) override {
    if (e->type() != TransferDoneEvent::kType) return QObject::event(e);
    const auto* done = static_cast<TransferDoneEvent*>(e);
    posts.emplace_back(done->operation(), done->result());
    return true;
  }
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
    return CTestThread::StartJob(job, &owner, &image, operation) != nullptr;
  }
  bool Finish(int timeoutMs = 30000) {
    QElapsedTimer timer;
    timer.start();
    while (job.IsRunning() && timer.elapsed() < timeoutMs) QTest::qWait(5);
    QCoreApplication::sendPostedEvents(&owner);
    return !job.IsRunning();
  }
  bool Run(int operation) { return Start(operation) && Finish(); }

  CalibrationImage image;
  RecordingPresenter presenter;
  PostReceiver owner;
  CTransferJob job;
};

}  // namespace velmora::test
