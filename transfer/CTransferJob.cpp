#include "transfer/CTransferJob.h"

#include <QDateTime>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <cstdio>

#include "radio/PosixSerialLine.h"
#include "trace/TraceLog.h"
#include "transfer/BackupFile.h"
#include "transfer/TransferLogging.h"

namespace velmora {
namespace {

std::string Hex16(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", value & 0xFFFF);
  return text;
}

std::string Hex8(int value) {
  char text[4];
  std::snprintf(text, sizeof text, "%02X", value & 0xFF);
  return text;
}

const char* OperationName(TransferOperation operation) {
  switch (operation) {
    case TransferOperation::Read:
      return "read";
    case TransferOperation::Write:
      return "write";
    case TransferOperation::Live:
      return "live";
  }
  return "other";
}

const char* ResultText(TransferOutcome::Result result) {
  using R = TransferOutcome::Result;
  switch (result) {
    case R::Success:
      return CTransferJob::kSuccessText;
    case R::NoRadio:
      return CTransferJob::kConnectFailedText;
    case R::VerifyFailed:
      return CTransferJob::kVerifyFailedText;
    case R::Cancelled:
      return CTransferJob::kCancelledText;
    case R::None:
    case R::Failed:
      break;
  }
  return CTransferJob::kFailureText;
}

}  // namespace

template <typename... Args>
CTransferJob::Text CTransferJob::Translated(const char* source, const Args&... args) {
  QString original = QString::fromUtf8(source);
  QString shown = tr(source);
  ((original = original.arg(args), shown = shown.arg(args)), ...);
  return {original.toStdString(), shown.toStdString()};
}

std::string CTransferJob::Shown(const char* source, int done, int total) {
  return tr(source).arg(done).arg(total).toStdString();
}

CTransferJob::CTransferJob() = default;
CTransferJob::~CTransferJob() = default;

void CTransferJob::Setup(CalibrationImage* image) {
  m_pImage = image;
  if (!m_pPort) {
    m_pPort = m_portFactory ? m_portFactory()
                            : std::make_unique<CRadioPort>(std::make_unique<PosixSerialLine>());
  }
  m_pPort->SetCancelCheck([this] { return Cancelled(); });  // a handed-over port asks this job
}

bool CTransferJob::Claim() {
  bool idle = false;
  if (!m_running.compare_exchange_strong(idle, true)) return false;
  m_cancels = 0;
  return true;
}

bool CTransferJob::Begin(const JobOrder& order) {
  if (!Claim()) return false;
  Setup(order.image);
  SetOperation(order.operation);
  m_liveCommand = order.live;
  return true;
}

bool CTransferJob::RunHere(const JobOrder& order) {
  if (!Begin(order)) return false;
  Run();
  return true;
}

bool CTransferJob::Cancelled() const {
  if (m_writing.load()) return m_cancels.load() > 1;
  return m_cancels.load() > 0 || (m_cancelRequested && m_cancelRequested());
}

void CTransferJob::Run() {
  m_pImage->setBusy(true);
  TraceLog::Instance().Note(std::string("job ") + OperationName(m_nOperation) + " started");
  qCDebug(lcTransfer) << "job started" << OperationName(m_nOperation);
  {
    const std::lock_guard lock(m_detailMutex);
    m_detail.clear();
    m_backupPath.clear();
    m_outcome = {};
  }
  m_portName.clear();
  m_finished = false;
  switch (m_nOperation) {
    case TransferOperation::Read:
      if (!Connect()) break;
      if (ReadAll()) {
        Show(TransferOutcome::Result::Success);  // the owner refreshes while the box is up
      } else {
        ShowFailure();
      }
      break;
    case TransferOperation::Write:
      if (Connect()) RunWrite();
      break;
    case TransferOperation::Live:
      RunLive();
      break;
  }
  if (!m_finished) Finish(TransferOutcome::Result::None);  // an operation that does nothing
  if (!m_options.holdPort) m_pPort->CloseIfOpen();
  {
    const std::lock_guard lock(m_detailMutex);
    m_outcome.port = m_portName;
    m_outcome.detail = m_detail;
  }
  TraceLog::Instance().Note(std::string("job ") + OperationName(m_nOperation) +
                            " ended: " + Detail());
  m_pImage->setBusy(false);
  m_running = false;
}

void CTransferJob::RunLive() {
  if (!m_liveCommand) {
    SetDetail("no live command was given");
    return;
  }
  const LiveCommandComposer::Command command = *m_liveCommand;
  RecordLive(command, false);
  if (!Connect()) return;
  RecordLive(command, true);
  Enter(TransferOutcome::Step::Live);
  const bool sent = m_pPort->SendLiveCommand(command);
  SetDetail(Detail() + (sent ? ", live command acknowledged" : ", live command not acknowledged"));
  Finish(sent ? TransferOutcome::Result::Success : TransferOutcome::Result::Failed);
}

// The calibration file keeps the last command composed and the last one put on the line; the
// image only records them, it never hands the command to the job.
void CTransferJob::RecordLive(const LiveCommandComposer::Command& command, bool sent) {
  const auto lock = m_pImage->Lock();
  const auto field = sent ? m_pImage->liveCommandSent() : m_pImage->liveCommand();
  std::copy(command.begin(), command.end(), field.begin());
}

bool CTransferJob::TryPort(int port, int retries, std::string& reason) {
  const std::string name = "COM" + std::to_string(port);
  if (!m_pPort->IsOpen() && !m_pPort->Open(name)) {
    const PortStatus status = m_pPort->LastOpenStatus();
    reason = PortStatus::Name(name, status.device) + ": " + status.Describe();
    return false;
  }
  m_portName = PortStatus::Name(name, m_pPort->LastOpenStatus().device);
  if (m_pPort->Handshake(retries)) return true;
  reason = m_portName + ": no radio answered the handshake";
  m_pPort->Close();
  return false;
}

// The stored port first; then, unless it is the only one asked for, COM1..COM9 without it.
std::vector<int> CTransferJob::PortOrder(int first) const {
  std::vector<int> order;
  if (m_options.onlyStoredPort) return {first};
  for (int p = first; p < kPortLimit;) {
    order.push_back(p);
    if (order.size() == 1) {
      p = first == 1 ? 2 : 1;
    } else if (++p == first) {
      ++p;
    }
  }
  return order;
}

bool CTransferJob::Connect() {
  const int first = [&] {
    const auto lock = m_pImage->Lock();
    return m_pImage->portNumber();
  }();
  Enter(TransferOutcome::Step::Connect);
  std::string reason = "no port tried from COM" + std::to_string(first);
  std::string tried;  // every port of a scan with its result, in the order tried
  int found = 0;
  bool connected = false;
  for (const int p : PortOrder(first)) {
    if (Cancelled()) break;
    Progress(tr("正在连接 COM%1…").arg(p).toStdString(), 0, 0);
    connected = TryPort(p, p == first ? kFirstPortRetries : kOtherPortRetries, reason);
    if (connected) {
      found = p;
      break;
    }
    tried += (tried.empty() ? "" : "; ") + reason;
  }
  if (!connected) {
    if (Cancelled()) {
      SetDetail("cancelled while connecting");
      Show(TransferOutcome::Result::Cancelled);
      return false;
    }
    const std::string scanned =
        "no radio answered on COM1..COM9 (started at COM" + std::to_string(first) + "): " + tried;
    SetDetail(m_options.onlyStoredPort ? reason : scanned);
    Show(TransferOutcome::Result::NoRadio, Plain(reason));
    return false;
  }
  {
    const auto lock = m_pImage->Lock();
    m_pImage->setPortNumber(found);
  }
  Enter(TransferOutcome::Step::Identify);
  if (!m_pPort->Identify()) {
    reason = "the radio on " + m_portName + " failed the identification";
    SetDetail(reason);
    Show(TransferOutcome::Result::NoRadio, Plain(reason));
    return false;
  }
  SetDetail("radio answered on " + m_portName);
  return true;
}

bool CTransferJob::ReadRegion(std::size_t i) {
  std::uint8_t hi = 0, lo = 0;
  {
    const auto lock = m_pImage->Lock();
    hi = m_pImage->region(i).addrHi, lo = m_pImage->region(i).addrLo;
  }
  const std::string where =
      "read block " + std::to_string(i + 1) + " of 4 at " + Hex16(hi << 8 | lo);
  std::array<std::uint8_t, layout::kRegionDataSize> block{};
  bool received = false;
  bool ok = m_pPort->ReadBlock(hi, lo, block, &received);
  // A second copy must match the first; a region that keeps changing is not trusted.
  for (int retry = 0; ok && m_options.readTwice; ++retry) {
    std::array<std::uint8_t, layout::kRegionDataSize> again{};
    ok = !Cancelled() && m_pPort->ReadBlock(hi, lo, again);
    if (!ok || again == block) break;
    if (retry == kReadRetries) {
      SetDetail(where + ": two copies differed " + std::to_string(kReadRetries + 1) + " times");
      return false;
    }
    ok = !Cancelled() && m_pPort->ReadBlock(hi, lo, block, &received);
  }
  if (received) {
    // Only bytes the radio sent reach the image: an edit made meanwhile stays otherwise.
    const auto lock = m_pImage->Lock();
    std::copy(block.begin(), block.end(), m_pImage->region(i).data.begin());
  }
  if (!ok) SetDetail(where + " failed");
  return ok;
}

bool CTransferJob::ReadAll() {
  Enter(TransferOutcome::Step::Read);
  for (std::size_t i = 0; i < layout::kRegionCount; ++i) {
    if (Cancelled()) {
      SetDetail(Detail() + ", cancelled after " + std::to_string(i) + " of 4 blocks");
      return false;
    }
    if (!ReadRegion(i)) return false;
    const int done = static_cast<int>(i) + 1;
    Progress(Shown(QT_TR_NOOP("读出 %1/%2"), done, 4), done, 4);
  }
  SetDetail(Detail() + ", read 4 blocks");
  return true;
}

bool CTransferJob::WriteAll() {
  CalibrationImage::Bytes snapshot;
  {
    const auto lock = m_pImage->Lock();
    snapshot = m_pImage->ToBytes();
  }
  return WriteBlocks(WritePlan(snapshot));
}

bool CTransferJob::WriteBlocks(const WritePlan& plan) {
  Enter(TransferOutcome::Step::Write);
  const auto& blocks = plan.blocks();
  const int total = static_cast<int>(blocks.size());
  CountBlocks(total, 0, 0);
  for (int sent = 0; sent < total; ++sent) {
    const WritePlan::Block& block = blocks[static_cast<std::size_t>(sent)];
    const std::string where = " of " + std::to_string(total) + " at " + Hex16(block.address);
    if (Cancelled()) {
      SetDetail(Detail() + ", cancelled before block " + std::to_string(sent + 1) + where);
      return false;
    }
    std::array<std::uint8_t, protocol::kWriteBlockSize> data{};
    std::copy_n(plan.image().begin() + static_cast<std::ptrdiff_t>(block.offset), data.size(),
                data.begin());
    CountBlocks(total, sent + 1, sent);
    if (!m_pPort->WriteBlock(block.address >> 8, block.address & 0xFF, data)) {
      SetDetail(Detail() + ", write block " + std::to_string(sent + 1) + where + " failed");
      return false;
    }
    CountBlocks(total, sent + 1, sent + 1);
    Progress(Shown(QT_TR_NOOP("写入 %1/%2"), sent + 1, total), sent + 1, total);
  }
  SetDetail(Detail() + ", wrote " + std::to_string(total) + " blocks");
  return true;
}

bool CTransferJob::ReadPlan(const WritePlan& plan, const std::string& step, const char* label,
                            WritePlan::Reads& reads) {
  const auto& addresses = plan.reads();
  const int total = static_cast<int>(addresses.size());
  for (int k = 0; k < total; ++k) {
    const std::uint16_t address = addresses[static_cast<std::size_t>(k)];
    if (Cancelled()) return false;
    if (!m_pPort->ReadBlock(address >> 8, address & 0xFF, reads[address])) {
      SetDetail(Detail() + ", " + step + " read at " + Hex16(address) + " failed");
      return false;
    }
    Progress(Shown(label, k + 1, total), k + 1, total);
  }
  return true;
}

// Nothing is written unless the radio's present bytes are safely on disk.
bool CTransferJob::Backup(const WritePlan& plan, Text& reason) {
  Enter(TransferOutcome::Step::Backup);
  // The user's own folder keeps its files as the umask says; the data folder is private.
  const bool named = !m_options.backupFolder.isEmpty();
  QString problem;
  const QString folder = named ? m_options.backupFolder : BackupFile::Folder(&problem);
  if (folder.isEmpty()) return BackupFailed(problem.toStdString(), reason);
  if (!ReadPlan(plan, "backup", QT_TR_NOOP("备份 %1/%2"), m_backupReads)) {
    if (!Cancelled()) reason = Translated(QT_TR_NOOP("备份读出失败, 未写入"));
    return false;
  }
  const QString port = BackupFile::Tag(PortTag(), m_pPort->identification());
  QString path;
  const FileResult saved =
      BackupFile::Save(plan.Backup(m_backupReads), folder, QDateTime::currentDateTime(), port, path,
                       named ? SafeFile::Access::Shared : SafeFile::Access::Private);
  if (!saved.ok()) return BackupFailed(saved.error, reason);
  const std::lock_guard lock(m_detailMutex);
  m_backupPath = path.toStdString();
  m_detail += ", backup " + SafeFile::Shown(m_backupPath);
  return true;
}

bool CTransferJob::BackupFailed(const std::string& error, Text& reason) {
  reason = Translated(QT_TR_NOOP("备份保存失败, 未写入: %1"), QString::fromStdString(error));
  SetDetail(Detail() + ", backup not saved (" + error + "), nothing written");
  return false;
}

// Compares what the radio holds with what was sent; shows the outcome when it fails.
bool CTransferJob::Verify(const WritePlan& plan, const Text& backupLine) {
  Enter(TransferOutcome::Step::Verify);
  WritePlan::Reads reads;
  if (Cancelled() || !ReadPlan(plan, "verify", QT_TR_NOOP("校验… %1/%2"), reads)) {
    ShowFailure(backupLine);
    return false;
  }
  const auto mismatch = plan.Compare(reads);
  if (!mismatch) {
    SetDetail(Detail() + ", verified");
    return true;
  }
  std::string text = "at " + Hex16(mismatch->address) + " wrote " + Hex8(mismatch->written) +
                     ", the radio holds " + Hex8(mismatch->held);
  if (!m_backupReads.empty()) {
    const CalibrationImage::Bytes old = plan.Backup(m_backupReads);
    for (const auto& block : plan.blocks()) {
      const int k = mismatch->address - block.address;
      if (k >= 0 && k < static_cast<int>(protocol::kWriteBlockSize)) {
        text +=
            " (before the write: " + Hex8(old[block.offset + static_cast<std::size_t>(k)]) + ")";
        break;
      }
    }
  }
  SetDetail(Detail() + ", verify failed " + text);
  Show(TransferOutcome::Result::VerifyFailed,
       backupLine.source.empty()
           ? Plain(text)
           : Text{text + "\n" + backupLine.source, text + "\n" + backupLine.shown});
  return false;
}

void CTransferJob::RunWrite() {
  CalibrationImage::Bytes snapshot;
  {
    const auto lock = m_pImage->Lock();
    snapshot = m_pImage->ToBytes();
  }
  const WritePlan plan(snapshot);
  CountBlocks(static_cast<int>(plan.blocks().size()), 0, 0);
  m_backupReads.clear();
  Text reason;
  if (m_options.backup && !Backup(plan, reason)) return ShowFailure(reason);
  const std::string path = BackupPath();
  const Text backupLine = path.empty() ? Text()
                                       : Translated(QT_TR_NOOP("备份: %1"),
                                                    QString::fromStdString(SafeFile::Shown(path)));
  if (Cancelled()) return ShowFailure(backupLine);
  if (m_writeStarting) m_writeStarting(path);
  if (!WriteProtected(plan, backupLine)) return;
  PruneBackups();
  Show(TransferOutcome::Result::Success, backupLine);
}

// The blocks and their read-back, which one cancel does not cut short: a radio left with some
// new blocks beside old ones is worse than either. Shows the outcome when it fails.
bool CTransferJob::WriteProtected(const WritePlan& plan, const Text& backupLine) {
  m_writing = true;
  const bool written = WriteBlocks(plan) && (!m_options.verify || Verify(plan, backupLine));
  m_writing = false;
  if (written && Cancelled()) {
    const std::lock_guard lock(m_detailMutex);
    m_outcome.stopDeferred = true;  // the write was finished first: now the stop is heard
  }
  if (!written && !m_finished) {  // a block failed, or a second cancel stopped the blocks
    Show(
        m_cancels.load() > 1 ? TransferOutcome::Result::Cancelled : TransferOutcome::Result::Failed,
        backupLine);
  }
  return written;
}

// "COM3" of "COM3 = /dev/ttyUSB0": the port part of a backup's name.
QString CTransferJob::PortTag() const {
  return QString::fromStdString(m_portName.substr(0, m_portName.find(' ')));
}

// Only a write that succeeded makes room: the backups are what a failed one is undone with.
void CTransferJob::PruneBackups() {
  const QString made = QString::fromStdString(BackupPath());
  if (made.isEmpty() || m_options.keepBackups == TransferOptions::kKeepAllBackups) return;
  const int removed = BackupFile::Prune(QFileInfo(made).path(), m_pPort->identification(),
                                        m_options.keepBackups, QDateTime::currentDateTime(), made)
                          .size();
  if (removed > 0) SetDetail(Detail() + ", removed " + std::to_string(removed) + " old backups");
}

void CTransferJob::ShowFailure(const Text& detail) {
  Show(Cancelled() ? TransferOutcome::Result::Cancelled : TransferOutcome::Result::Failed, detail);
}

void CTransferJob::Enter(TransferOutcome::Step step) {
  const std::lock_guard lock(m_detailMutex);
  m_outcome.step = step;
}

// The trace keeps the program's own text; the user reads it in the window's language. The owner
// hears the outcome before the box is up, so a read's data show while the user reads "成功!".
void CTransferJob::Show(TransferOutcome::Result result, const Text& detail) {
  Finish(result);
  const char* text = ResultText(result);
  TraceLog::Instance().Note(std::string("outcome: ") + text +
                            (detail.source.empty() ? "" : " (" + detail.source + ")"));
  if (m_presenter) m_presenter->ShowOutcome(tr(text).toStdString(), detail.shown);
}

// Records how the job ended and tells the owner, once per job.
void CTransferJob::Finish(TransferOutcome::Result result) {
  TransferOutcome outcome;
  {
    const std::lock_guard lock(m_detailMutex);
    m_outcome.result = result;
    m_outcome.port = m_portName;
    m_outcome.detail = m_detail;
    outcome = m_outcome;
  }
  m_finished = true;
  m_reports.PostFinished(static_cast<int>(m_nOperation), outcome);
}

void CTransferJob::Progress(const std::string& text, int done, int total) {
  qCDebug(lcTransfer) << text.c_str();
  m_reports.PostProgress(QString::fromStdString(text), done, total);
}

void CTransferJob::CountBlocks(int total, int sent, int written) {
  const std::lock_guard lock(m_detailMutex);
  m_outcome.blockCount = total;
  m_outcome.blocksSent = sent;
  m_outcome.blocksWritten = written;
}

void CTransferJob::SetDetail(std::string detail) {
  const std::lock_guard lock(m_detailMutex);
  m_detail = std::move(detail);
}

std::string CTransferJob::Detail() const {
  const std::lock_guard lock(m_detailMutex);
  return m_detail;
}

TransferOutcome CTransferJob::Outcome() const {
  const std::lock_guard lock(m_detailMutex);
  return m_outcome;
}

std::string CTransferJob::BackupPath() const {
  const std::lock_guard lock(m_detailMutex);
  return m_backupPath;
}

}  // namespace velmora
