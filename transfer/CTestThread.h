#pragma once

#include <QThread>
#include <atomic>
#include <functional>

#include "core/CalibrationImage.h"
#include "transfer/CTransferJob.h"
#include "transfer/JobOrder.h"
#include "transfer/TransferGate.h"

namespace velmora {

// The worker thread of one job. It ends when its job returns and then deletes itself.
class CTestThread : public QThread {
  Q_OBJECT

 public:
  void SetJob(CTransferJob* job) { m_pJob = job; }
  // Waits for the job's end before its owner lets the job go. Beside QThread's wait, it reads the
  // run's last store, so that ThreadSanitizer, which does not see inside Qt's own locks, also
  // orders everything the job did before whatever comes next.
  void Join() {
    wait();
    (void)m_ended.load(std::memory_order_acquire);
  }

  // The start sequence: create the thread without starting it, let the job Begin the order, let
  // the owner store into the image (beforeResume), then start. Returns null, starting nothing,
  // while the job record still serves an earlier job or another job holds the gate.
  static CTestThread* StartJob(CTransferJob& job, const JobOrder& order,
                               const std::function<void()>& beforeResume = {},
                               TransferGate* gate = nullptr);
  // A read or a write of the image.
  static CTestThread* StartJob(CTransferJob& job, CalibrationImage* image, int operation,
                               const std::function<void()>& beforeResume = {},
                               TransferGate* gate = nullptr) {
    return StartJob(job, JobOrder{image, operation, {}}, beforeResume, gate);
  }

 protected:
  void run() override;

 private:
  CTransferJob* m_pJob = nullptr;
  TransferGate* m_gate = nullptr;
  std::atomic<bool> m_ended{false};
};

}  // namespace velmora
