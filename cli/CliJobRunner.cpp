#include "cli/CliJobRunner.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <mutex>

#include "transfer/CTestThread.h"

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

}  // namespace

TransferOutcome CliJobRunner::Run(int operation, CalibrationImage& image, std::ostream& out,
                                  CTransferJob::PortFactory factory, const TransferOptions& options,
                                  std::ostream* progress) {
  PrintingPresenter presenter(out);
  CTransferJob job;
  job.SetPresenter(&presenter);
  job.SetPortFactory(std::move(factory));
  job.SetOptions(options);
  if (progress) {
    QObject::connect(&job.reports(), &JobRelay::Progress, [progress](const QString& text) {
      *progress << "\r" << text.toStdString() << kClearToEndOfLine << std::flush;
    });
  }
  TransferOutcome finished;
  QObject::connect(&job.reports(), &JobRelay::Finished,
                   [&finished](int, const TransferOutcome& outcome) { finished = outcome; });
  QEventLoop loop;
  CTestThread* thread = CTestThread::StartJob(job, &image, operation);
  QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit);
  if (!thread->isFinished()) loop.exec();  // a finish after this check reaches the loop queued
  QCoreApplication::sendPostedEvents(&job.reports());
  if (progress) *progress << "\r" << kClearToEndOfLine << std::flush;
  out << job.Detail() << "\n";
  if (!job.BackupPath().empty()) out << "backup: " << job.BackupPath() << "\n";
  return finished;
}

}  // namespace velmora
