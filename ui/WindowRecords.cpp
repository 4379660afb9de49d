#include "ui/WindowRecords.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QStringList>
#include <QThread>

#include "align/AlignOutcome.h"
#include "core/ImageLayout.h"
#include "transfer/CTransferJob.h"
#include "transfer/LiveTuningQueue.h"
#include "transfer/TransferGate.h"
#include "ui/HistoryDlg.h"
#include "ui/RecordForwarding.h"
#include "ui/RecordsHost.h"
#include "ui/WindowPrompts.h"
#include "ui/pages/CBandPageDlg.h"

namespace velmora {
namespace {

// A label's serial is short; a longer line is a misread scan.
constexpr int kLongestSerial = 64;

const char* ShownText(const TransferOutcome& outcome) {
  if (outcome.succeeded()) return CTransferJob::kSuccessText;
  return outcome.result == TransferOutcome::Result::Cancelled ? CTransferJob::kCancelledText
                                                              : CTransferJob::kFailureText;
}

// Two notes, the second below the first, either of them perhaps empty.
QString StackedLines(const QString& first, const QString& second) {
  if (first.isEmpty() || second.isEmpty()) return first + second;
  return first + '\n' + second;
}

}  // namespace

// The job's Finished comes before its question on the same relay: the record is settled by then.
WindowRecords::WindowRecords(QWidget* window, RecordsHost& host, AskedPresenter* shown)
    : QObject(window), m_window(window), m_host(host), m_keeper({}, {}, RecordKeeper::LoginName()) {
  connect(&host.job().reports(), &JobRelay::Finished, this, &WindowRecords::OnJobFinished);
  connect(&host.job().reports(), &JobRelay::Asked, this,
          [this, shown](const QString& text, const QString& detail, const JobReply& reply) {
            shown->Present(text, StackedLines(detail, std::exchange(m_problem, {})), reply);
          });
  connect(&host.gate(), &TransferGate::Entered, this,
          [this] { m_started = std::chrono::system_clock::now(); });
  auto* corner = new QWidget(window);
  auto* row = new QHBoxLayout(corner);
  row->setContentsMargins(0, 0, 0, 0);
  m_waiting = new QLabel(corner);
  m_waiting->hide();  // shown once a line's database is named
  row->addWidget(m_waiting);
  row->addWidget(new QLabel(tr(kSerialText), corner));
  m_serial = new QLineEdit(corner);
  m_serial->setMaxLength(kLongestSerial);
  m_serial->setClearButtonEnabled(true);
  row->addWidget(m_serial);
  // The scanner ends the serial with Enter: it is the radio's from the next job on.
  connect(m_serial, &QLineEdit::returnPressed, m_serial, &QLineEdit::selectAll);
  host.menuBar()->setCornerWidget(corner, Qt::TopRightCorner);
  for (int band : {0, 1}) {
    connect(&host.bandPage(band)->liveQueue(), &LiveTuningQueue::Requested, this,
            [this, band](int table) { NoteLiveTune(band, table); });
  }
  StartForwarding();
}

WindowRecords::~WindowRecords() {
  if (!m_thread) return;
  m_thread->quit();
  m_thread->wait();
}

void WindowRecords::ShowHistory() {
  HistoryDlg dialog(m_window, RecordKeeper::BenchPath());
  dialog.serialEdit()->setText(m_serial->text().trimmed());
  if (!dialog.serialEdit()->text().isEmpty()) dialog.Search();
  if (dialog.exec() == QDialog::Accepted) m_host.OpenUnsaved(dialog.chosenImage());
}

void WindowRecords::StartForwarding() {
  const QString line = RecordKeeper::SettingsUrl();
  const QString bench = RecordKeeper::BenchPath();
  if (line.isEmpty() || bench.isEmpty()) return;
  m_thread = new QThread(this);
  m_forwarding = new RecordForwarding(bench, line);
  m_forwarding->moveToThread(m_thread);
  connect(m_thread, &QThread::started, m_forwarding, &RecordForwarding::Start);
  connect(m_thread, &QThread::finished, m_forwarding, &QObject::deleteLater);
  connect(this, &WindowRecords::ForwardRequested, m_forwarding, &RecordForwarding::Forward);
  connect(m_forwarding, &RecordForwarding::Waiting, this, &WindowRecords::ShowWaiting);
  m_waiting->show();
  m_thread->start();
}

void WindowRecords::ShowWaiting(qint64 waiting) {
  m_waiting->setText(tr(kWaitingText).arg(waiting));
}

// The image as the window holds it, never a transfer's busy mark; the controls are not read into
// it, as a record is no edit.
void WindowRecords::HeldImage(CalibrationImage& copy) const {
  copy.AssignBytes(m_host.image().ToBytes());
  copy.setBusy(false);
}

void WindowRecords::NoteLiveTune(int band, int table) {
  const auto now = std::chrono::system_clock::now();
  if (m_live.tunes++ == 0) m_live.first = now;
  m_live.last = now;
  m_live.tables.insert({band, table});
}

void WindowRecords::RecordLiveTuning() {
  const QString problem = KeepLiveTuning();
  if (!problem.isEmpty()) m_host.prompts().notify(m_window, problem);
}

QString WindowRecords::KeepLiveTuning() {
  if (m_live.tunes == 0) return {};
  QStringList tables;
  for (const auto& [band, table] : m_live.tables) {
    tables << (table < layout::kTablesPerBand
                   ? QStringLiteral("%1 table %2").arg(QChar('A' + band)).arg(table)
                   : QStringLiteral("%1 tone group %2")
                         .arg(QChar('A' + band))
                         .arg(table - layout::kTablesPerBand));
  }
  CalibrationImage shown;
  HeldImage(shown);
  RecordKeeper::Job job;
  job.kind = "live";
  job.succeeded = true;
  job.detail =
      QStringLiteral("%1 live tunes: %2").arg(m_live.tunes).arg(tables.join(", ")).toStdString();
  job.port = m_host.image().portNumber();
  const auto bytes = shown.ToBytes();
  job.before.assign(bytes.begin(), bytes.end());  // live tunes change no memory of the radio
  job.after = job.before;
  job.started = m_live.first;
  job.ended = m_live.last;
  m_live = {};
  return Commit(job);
}

// The window's own slot has run first: a read's data are in the window.
void WindowRecords::OnJobFinished(int operation, const TransferOutcome& outcome) {
  m_problem.clear();
  if (operation != TRANSFER_READ && operation != TRANSFER_WRITE) return;
  const QString live = KeepLiveTuning();
  CalibrationImage shown;
  HeldImage(shown);
  RecordKeeper::Job job =
      RecordKeeper::FromTransfer(operation == TRANSFER_READ ? "read" : "write", m_host.job(),
                                 ShownText(outcome), shown, m_started);
  const QString problem = Commit(job);
  m_problem = StackedLines(live, problem);
}

QString WindowRecords::AlignmentEnded(const AlignOutcome& outcome, const CalibrationImage& before,
                                      std::chrono::system_clock::time_point started) {
  RecordKeeper::Job job = RecordKeeper::FromAlignment(outcome.report, before, started);
  job.succeeded = outcome.result == AlignOutcome::Result::Aligned;
  job.outcome = job.succeeded                                       ? CTransferJob::kSuccessText
                : outcome.result == AlignOutcome::Result::Cancelled ? CTransferJob::kCancelledText
                                                                    : CTransferJob::kFailureText;
  job.detail = outcome.report.outcome.toStdString();
  if (!outcome.error.isEmpty()) job.detail += ": " + outcome.error.toStdString();
  job.after = job.before;  // the window's alignment tunes live; the radio's memory is unchanged
  return Commit(job);
}

QString WindowRecords::Commit(const RecordKeeper::Job& job) {
  m_keeper.setSerial(m_serial->text().trimmed().toStdString());
  std::string error;
  if (!m_keeper.Commit(job, error)) return tr(kNotKeptText).arg(QString::fromStdString(error));
  emit ForwardRequested();
  return {};
}

}  // namespace velmora
