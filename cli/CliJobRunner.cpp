#include "cli/CliJobRunner.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <atomic>
#include <mutex>

#include "cli/WriteAftermath.h"
#include "core/SafeFile.h"
#include "transfer/CTestThread.h"
#include "transfer/StopSignals.h"

namespace velmora {
namespace {

constexpr const char* kClearToEndOfLine = "\033[K";

// Prints the outcome the job shows; remembers whether it showed one, as a live job that reached
// its radio leaves that to its caller.
class PrintingPresenter : public MessagePresenter {
 public:
  explicit PrintingPresenter(std::ostream& out) : m_out(out) {}
  void ShowMessage(const std::string& text) override {
    const std::lock_guard lock(m_mutex);
    m_out << text << "\n" << std::flush;
    m_shown = true;
  }
  bool shown() const { return m_shown; }

 private:
  std::ostream& m_out;
  std::mutex m_mutex;
  std::atomic<bool> m_shown{false};
};

}  // namespace

CliJobRunner::Outcome CliJobRunner::Run(int operation, CalibrationImage& image, std::ostream& out,
                                        CTransferJob::PortFactory factory,
                                        const TransferOptions& options, std::ostream* progress) {
  PrintingPresenter presenter(out);
  QObject owner;  // the job's completion message has nothing to tell: its outcome is read below
  CTransferJob job;
  job.SetPresenter(&presenter);
  job.SetPortFactory(std::move(factory));
  job.SetOptions(options);
  if (progress) {
    job.SetProgress([progress](const std::string& text, int, int) {
      *progress << "\r" << text << kClearToEndOfLine << std::flush;
    });
  }
  // On a worker thread, as the window runs it, so that a stop signal reaches this thread's loop.
  QEventLoop loop;
  const StopSignals stop([&job](int) { job.Cancel(); });
  CTestThread* thread = CTestThread::StartJob(job, &owner, &image, operation);
  QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit);
  if (!thread->isFinished()) loop.exec();  // a finish after this check reaches the loop queued
  QCoreApplication::removePostedEvents(&owner);
  if (progress) *progress << "\r" << kClearToEndOfLine << std::flush;
  const TransferOutcome result = job.Outcome();
  Outcome outcome;
  outcome.succeeded = result.succeeded();
  using R = TransferOutcome::Result;
  outcome.connected =
      result.result == R::Success || result.result == R::Failed || result.result == R::VerifyFailed;
  if (!presenter.shown()) {
    out << (outcome.succeeded ? CTransferJob::kSuccessText : CTransferJob::kFailureText) << "\n";
  }
  out << job.Detail() << "\n";
  if (!job.BackupPath().empty()) out << "backup: " << SafeFile::Shown(job.BackupPath()) << "\n";
  if (operation == TRANSFER_WRITE && !outcome.succeeded) {
    out << WriteAftermath::Describe(result, job.BackupPath(), image.portNumber()) << "\n";
  }
  return outcome;
}

}  // namespace velmora
