#include "cli/CliJobRunner.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <mutex>

#include "core/SafeFile.h"
#include "transfer/CTestThread.h"
#include "transfer/TransferDoneEvent.h"

namespace velmora {
namespace {

constexpr const char* kClearToEndOfLine = "\033[K";

class PrintingPresenter : public MessagePresenter {
 public:
  explicit PrintingPresenter(std::ostream& out) : m_out(out) {}
  void ShowMessage(const std::string& text) override {
    const std::lock_guard lock(m_mutex);
    m_out << text << "\n" << std::flush;
  }

 private:
  std::ostream& m_out;
  std::mutex m_mutex;
};

// Stands in for the owner window: collects what the worker posts.
class PostReceiver : public QObject {
 public:
  int posted = -1;
  bool event(QEvent* e) override {
    if (e->type() != TransferDoneEvent::kType) return QObject::event(e);
    posted = static_cast<TransferDoneEvent*>(e)->result();
    return true;
  }
};

}  // namespace

CliJobRunner::Outcome CliJobRunner::Run(int operation, CalibrationImage& image, std::ostream& out,
                                        CTransferJob::PortFactory factory,
                                        const TransferOptions& options, std::ostream* progress) {
  PrintingPresenter presenter(out);
  PostReceiver owner;
  CTransferJob job;
  job.SetPresenter(&presenter);
  job.SetPortFactory(std::move(factory));
  job.SetOptions(options);
  if (progress) {
    job.SetProgress([progress](const std::string& text, int, int) {
      *progress << "\r" << text << kClearToEndOfLine << std::flush;
    });
  }
  QEventLoop loop;
  CTestThread* thread = CTestThread::StartJob(job, &owner, &image, operation);
  QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit);
  if (!thread->isFinished()) loop.exec();  // a finish after this check reaches the loop queued
  QCoreApplication::sendPostedEvents(&owner);
  if (progress) *progress << "\r" << kClearToEndOfLine << std::flush;
  out << job.Detail() << "\n";
  if (!job.BackupPath().empty()) out << "backup: " << SafeFile::Shown(job.BackupPath()) << "\n";
  Outcome outcome;
  outcome.posted = owner.posted;
  outcome.succeeded = operation == TRANSFER_LIVE ? owner.posted == CTransferJob::kLiveSent
                                                 : job.Outcome().succeeded();
  return outcome;
}

}  // namespace velmora
