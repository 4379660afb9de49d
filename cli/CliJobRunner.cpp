#include "cli/CliJobRunner.h"

namespace velmora {
namespace {

constexpr const char* kClearToEndOfLine = "\033[K";

// Prints the outcome the job shows; remembers whether it showed one, as a live job that reached
// its radio leaves that to its caller.
class PrintingPresenter : public MessagePresenter {
 public:
  explicit PrintingPresenter(std::ostream& out) : m_out(out) {}
  void ShowMessage(const std::string& text) override {
    m_out << text << "\n" << std::flush;
    m_shown = true;
  }
  bool shown() const { return m_shown; }

 private:
  std::ostream& m_out;
  bool m_shown = false;
};

}  // namespace

CliJobRunner::Outcome CliJobRunner::Run(int operation, CalibrationImage& image, std::ostream& out,
                                        CTransferJob::PortFactory factory,
                                        const TransferOptions& options, std::ostream* progress) {
  PrintingPresenter presenter(out);
  CTransferJob job;
  job.SetPresenter(&presenter);
  job.SetPortFactory(std::move(factory));
  job.SetOptions(options);
  if (progress) {
    job.SetProgress([progress](const std::string& text, int, int) {
      *progress << "\r" << text << kClearToEndOfLine << std::flush;
    });
  }
  // No owner: nothing is posted, the outcome is read from the job once it returns.
  job.Claim();
  job.Setup(nullptr, &image);
  job.SetOperation(operation);
  job.Run();
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
  if (!job.BackupPath().empty()) out << "backup: " << job.BackupPath() << "\n";
  return outcome;
}

}  // namespace velmora
