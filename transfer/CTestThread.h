#pragma once

#include <QThread>
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
};

}  // namespace velmora
