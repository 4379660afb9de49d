#include "transfer/CTestThread.h"

namespace velmora {

CTestThread* CTestThread::StartJob(CTransferJob& job, const JobOrder& order,
                                   const std::function<void()>& beforeResume, TransferGate* gate) {
  if (job.IsRunning()) return nullptr;  // only this thread starts jobs, so the claim holds
  if (gate && !gate->TryEnter()) return nullptr;
  job.Begin(order);
  auto* thread = new CTestThread;
  thread->m_gate = gate;
  QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
  thread->SetJob(&job);
  if (beforeResume) beforeResume();
  thread->start();
  return thread;
}

void CTestThread::run() {
  if (m_pJob) m_pJob->Run();
  if (m_gate) m_gate->Leave();
  m_ended.store(true, std::memory_order_release);
}

}  // namespace velmora
