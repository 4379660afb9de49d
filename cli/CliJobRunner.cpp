#include "cli/CliJobRunner.h"

#include <atomic>
#include <mutex>

#include "cli/CliRun.h"
#include "cli/WriteAftermath.h"
#include "core/SafeFile.h"
#include "transfer/StopSignals.h"

namespace velmora {
namespace {

// Keeps the outcome the job shows until the job's aftermath is done, so that nothing says 成功!
// before the job's record is kept; remembers whether it showed one, as a live job that reached
// its radio leaves that to its caller.
class HeldPresenter : public MessagePresenter {
 public:
  void ShowMessage(const std::string& text) override {
    const std::lock_guard lock(m_mutex);
    m_text = text;
    m_shown = true;
  }
  bool shown() const { return m_shown; }
  std::string text() const {
    const std::lock_guard lock(m_mutex);
    return m_text;
  }

 private:
  mutable std::mutex m_mutex;
  std::string m_text;
  std::atomic<bool> m_shown{false};
};

}  // namespace

TransferOutcome CliJobRunner::Run(const JobOrder& order, std::ostream& out,
                                  CTransferJob::PortFactory factory, const TransferOptions& options,
                                  std::ostream* progress, std::string* backupPath,
                                  const AfterJob& afterJob, HeldPort* held) {
  HeldPresenter presenter;
  CTransferJob job;
  job.SetPresenter(&presenter);
  job.SetPortFactory(held ? held->Factory() : std::move(factory));
  TransferOptions jobOptions = options;
  jobOptions.holdPort = held != nullptr;
  job.SetOptions(jobOptions);
  CalibrationImage& image = *order.image;
  job.SetWriteStarting([&image](const std::string& backup) {
    StopSignals::SetLastWords(image.portNumber(),
                              WriteAftermath::Interrupted(backup, image.portNumber()));
  });
  job.Begin(order);  // before any cancel can reach it: beginning clears the cancels
  // Here, not on a worker: a worker and the event loop beside it made a write measurably slower,
  // and a live tune's process has no event loop at all.
  CliRun(CliRun::Where::Here, progress).Run({CliRun::Transfer(job)});
  StopSignals::SetLastWords(image.portNumber(), {});
  const TransferOutcome finished = job.Outcome();  // complete: Run has returned
  const std::string shown =
      presenter.shown() ? presenter.text()
                        : (finished.succeeded() ? CTransferJob::kSuccessText
                                                : CTransferJob::kFailureText);
  const bool kept = !afterJob || afterJob(finished, job, shown);
  if (held) held->Keep(job);  // after the aftermath, which reads the radio's answer off the port
  out << (kept ? shown : CTransferJob::kFailureText) << "\n";
  out << job.Detail() << "\n";
  if (!job.BackupPath().empty()) out << "backup: " << SafeFile::Shown(job.BackupPath()) << "\n";
  if (backupPath) *backupPath = job.BackupPath();
  if (finished.stopDeferred) {
    out << "stop asked during the write: the write and its verify were finished first\n";
  }
  if (order.operation == TRANSFER_WRITE && !finished.succeeded()) {
    out << WriteAftermath::Describe(finished, job.BackupPath(), image.portNumber()) << "\n";
  }
  return finished;
}

}  // namespace velmora
