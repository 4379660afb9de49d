#include "transfer/CTestThread.h"

namespace velmora {

CTestThread* CTestThread::StartJob(CTransferJob& job, QObject* owner, CalibrationImage* image,
                                   int operation, const std::function<void()>& beforeResume) {
  if (!job.Claim()) return nullptr;
  auto* thread = new CTestThread;
  QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
  job.Setup(owner, image);
  job.SetOperation(operation);
  thread->SetJob(&job);
  if (beforeResume) beforeResume();
  thread->start();
  return thread;
}

void CTestThread::run() {
  if (m_pJob) m_pJob->Run();
}

}  // namespace velmora
