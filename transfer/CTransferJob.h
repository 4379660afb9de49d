#pragma once

#include <QCoreApplication>
#include <QObject>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/CalibrationImage.h"
#include "radio/CRadioPort.h"
#include "transfer/JobOrder.h"
#include "transfer/JobRelay.h"
#include "transfer/MessagePresenter.h"
#include "transfer/RelayedPresenter.h"
#include "transfer/TransferOptions.h"
#include "transfer/TransferOutcome.h"
#include "transfer/WritePlan.h"

namespace velmora {

// One operation between the image and the radio: find the radio by scanning COM ports, read the
// four regions, write the 14 blocks, or send one live command. Run blocks; a CTestThread runs it.
class CTransferJob {
  Q_DECLARE_TR_FUNCTIONS(CTransferJob)

 public:
  // Outcome texts, shown through tr(): a program without a translator (velmora-cli) keeps them.
  static constexpr const char* kSuccessText = QT_TR_NOOP("成功!");
  static constexpr const char* kFailureText = QT_TR_NOOP("失败!");
  static constexpr const char* kConnectFailedText = QT_TR_NOOP("连接对讲机失败!");
  static constexpr const char* kVerifyFailedText = QT_TR_NOOP("写入校验失败!");
  static constexpr const char* kCancelledText = QT_TR_NOOP("已取消");
  static constexpr int kFirstPortRetries = 3;
  static constexpr int kOtherPortRetries = 1;
  static constexpr int kPortLimit = 10;   // COM1..COM9
  static constexpr int kReadRetries = 3;  // re-reads of a region whose two copies differ

  using PortFactory = std::function<std::unique_ptr<CRadioPort>()>;

  CTransferJob();
  ~CTransferJob();
  CTransferJob(const CTransferJob&) = delete;
  CTransferJob& operator=(const CTransferJob&) = delete;

  // Stores the image; creates the port on first use.
  void Setup(CalibrationImage* image);
  void SetOperation(int operation) { m_nOperation = static_cast<TransferOperation>(operation); }
  void SetOptions(const TransferOptions& options) { m_options = options; }
  void SetPresenter(MessagePresenter* presenter) { m_presenter = presenter; }
  // The outcome goes to the owner as a question on reports() (Asked), which the job waits on.
  void AskOwner() { m_presenter = &m_asked; }
  // How the port is made on first Setup; tests hand in a scaled-timing port.
  void SetPortFactory(PortFactory factory) { m_portFactory = std::move(factory); }

  // A job record serves one job at a time: Claim before starting a thread, Run releases it.
  bool Claim();
  // The one start sequence of every owner: Claim, Setup and SetOperation, and the live command
  // kept. False, changing nothing, while the record still serves an earlier job.
  bool Begin(const JobOrder& order);
  // Begin, then Run on the calling thread; false when the job could not begin.
  bool RunHere(const JobOrder& order);
  bool IsRunning() const { return m_running.load(); }
  // Any thread: ends the job at its next pause between exchanges, as a failure would. Once a
  // write's blocks have started, the first cancel lets the write and its verify finish (a radio
  // is never left half-written by one) and a second one ends it at once.
  void Cancel() { ++m_cancels; }
  // Told on the job's thread once the backup is saved and just before the first block goes out,
  // with the backup's path ("" for none): the moment a stop would leave a radio to be restored.
  void SetWriteStarting(std::function<void(const std::string& backup)> starting) {
    m_writeStarting = std::move(starting);
  }
  // A second way to end the job, asked at the same pauses: for an owner whose stop request may
  // not call into the job (a signal handler's flag).
  void SetCancelRequested(std::function<bool()> requested) {
    m_cancelRequested = std::move(requested);
  }

  void Run();
  bool Connect();
  bool ReadAll();
  bool WriteAll();

  // One line on what happened last: which port answered, which step or block failed.
  std::string Detail() const;
  // How the last job ended; complete once its thread has finished.
  TransferOutcome Outcome() const;
  // The backup the last write saved, "" for none.
  std::string BackupPath() const;
  CRadioPort* port() const { return m_pPort.get(); }
  // Hands the port over, open when the options held it, for the next job of the same run.
  std::unique_ptr<CRadioPort> TakePort() { return std::move(m_pPort); }
  // The job's progress and outcome as typed signals on the thread that made the job record.
  JobRelay& reports() { return m_reports; }

 private:
  // A line the user reads in the window's language while the trace keeps the program's own.
  struct Text {
    std::string source;
    std::string shown;
  };
  static Text Plain(const std::string& text) { return {text, text}; }
  template <typename... Args>
  static Text Translated(const char* source, const Args&... args);
  static std::string Shown(const char* source, int done, int total);

  void Show(TransferOutcome::Result result, const Text& detail = {});
  void Enter(TransferOutcome::Step step);
  void ShowFailure(const Text& detail = {});
  void Finish(TransferOutcome::Result result);
  void SetDetail(std::string detail);
  void CountBlocks(int total, int sent, int written);
  void Progress(const std::string& text, int done, int total);
  bool Cancelled() const;
  bool TryPort(int port, int retries, std::string& reason);
  std::vector<int> PortOrder(int first) const;
  bool ReadRegion(std::size_t i);
  bool ReadPlan(const WritePlan& plan, const std::string& step, const char* label,
                WritePlan::Reads& reads);
  bool WriteBlocks(const WritePlan& plan);
  bool Backup(const WritePlan& plan, Text& reason);
  bool BackupFailed(const std::string& error, Text& reason);
  bool Verify(const WritePlan& plan, const Text& backupLine);
  bool WriteProtected(const WritePlan& plan, const Text& backupLine);
  void PruneBackups();
  QString PortTag() const;
  void RunWrite();
  void RunLive();
  void RecordLive(const LiveCommandComposer::Command& command, bool sent);

  std::unique_ptr<CRadioPort> m_pPort;
  TransferOperation m_nOperation = TransferOperation::Read;
  std::optional<LiveCommandComposer::Command> m_liveCommand;  // set before the job's thread starts
  CalibrationImage* m_pImage = nullptr;
  MessagePresenter* m_presenter = nullptr;
  PortFactory m_portFactory;
  TransferOptions m_options;
  std::string m_portName;  // "COM3 = /dev/ttyUSB0" once connected
  WritePlan::Reads m_backupReads;
  std::atomic<bool> m_running{false};
  std::atomic<int> m_cancels{0};
  std::atomic<bool> m_writing{false};  // the blocks have started: only a second cancel counts
  std::function<bool()> m_cancelRequested;
  std::function<void(const std::string&)> m_writeStarting;
  mutable std::mutex m_detailMutex;
  std::string m_detail;
  std::string m_backupPath;
  TransferOutcome m_outcome;
  bool m_finished = false;  // the outcome was posted; worker thread only
  JobRelay m_reports;
  RelayedPresenter m_asked{m_reports};
};

}  // namespace velmora
