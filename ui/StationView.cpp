#include "ui/StationView.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace velmora {
namespace {

constexpr int kSerialPointSize = 28;
constexpr int kVerdictPointSize = 72;
const QString kPassStyle = QStringLiteral("color: white; background: #1b8a2e;");
const QString kFailStyle = QStringLiteral("color: white; background: #c62828;");

QFont Sized(QFont font, int points) {
  font.setPointSize(points);
  font.setBold(true);
  return font;
}

}  // namespace

StationView::StationView(QWidget* parent, std::unique_ptr<StationSession> session,
                         const Shown& shown, PassedToday passedToday, AskAgain askAgain)
    : QDialog(parent),
      m_session(std::move(session)),
      m_passedToday(std::move(passedToday)),
      m_askAgain(std::move(askAgain)) {
  setWindowTitle(tr("产线模式"));
  setWindowModality(Qt::WindowModal);  // the window behind keeps its plan, limits and meter
  auto* layout = new QVBoxLayout(this);
  BuildMenu();
  layout->setMenuBar(m_menuBar);
  layout->addWidget(BuildHeader(shown));
  m_serial = new QLineEdit(this);
  m_serial->setFont(Sized(m_serial->font(), kSerialPointSize));
  m_serial->setPlaceholderText(tr("序列号"));
  m_serial->setAccessibleName(tr("序列号"));
  layout->addWidget(new QLabel(tr("序列号"), this));
  layout->addWidget(m_serial);
  layout->addWidget(BuildSteps());
  m_verdict = new QLabel(this);
  m_verdict->setAlignment(Qt::AlignCenter);
  m_verdict->setFont(Sized(m_verdict->font(), kVerdictPointSize));
  m_reason = new QLabel(this);
  m_reason->setWordWrap(true);
  m_reason->setFont(Sized(m_reason->font(), kSerialPointSize / 2));
  layout->addWidget(m_verdict, 1);
  layout->addWidget(m_reason);
  connect(m_serial, &QLineEdit::returnPressed, this, &StationView::OnScanned);
  connect(m_session.get(), &StationSession::StepStarted, this, &StationView::OnStep);
  connect(m_session.get(), &StationSession::RadioFinished, this, &StationView::OnRadioFinished);
  connect(m_session.get(), &StationSession::Ended, this, &StationView::OnEnded);
  m_serial->setFocus();
}

StationView::~StationView() = default;

const QStringList& StationView::StepNames() {
  static const QStringList names = {QStringLiteral("read"), QStringLiteral("align"),
                                    QStringLiteral("write"), QStringLiteral("record")};
  return names;
}

void StationView::BuildMenu() {
  m_menuBar = new QMenuBar(this);
  QMenu* radio = m_menuBar->addMenu(tr("对讲机(&A)"));
  m_leave = radio->addAction(tr("退出产线模式(&X)"));
  connect(m_leave, &QAction::triggered, this, &StationView::Leave);
}

QWidget* StationView::BuildHeader(const Shown& shown) {
  auto* header = new QLabel(this);
  header->setText(tr("校准方案: %1    功率计: %2    端口: COM%3")
                      .arg(shown.planName, shown.meter)
                      .arg(shown.port));
  header->setTextInteractionFlags(Qt::NoTextInteraction);
  return header;
}

QWidget* StationView::BuildSteps() {
  const QStringList titles = {tr("读出"), tr("自动校准"), tr("写入并校验"), tr("记录")};
  m_steps = new QTableWidget(int(titles.size()), 3, this);
  m_steps->setHorizontalHeaderLabels({tr("步骤"), tr("状态"), tr("时间")});
  m_steps->verticalHeader()->hide();
  m_steps->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_steps->setFocusPolicy(Qt::NoFocus);  // the serial field keeps the scanner's keys
  for (int row = 0; row < titles.size(); ++row) {
    m_steps->setItem(row, 0, new QTableWidgetItem(titles[row]));
    m_steps->setItem(row, 1, new QTableWidgetItem);
    m_steps->setItem(row, 2, new QTableWidgetItem);
  }
  m_steps->horizontalHeader()->setStretchLastSection(true);
  return m_steps;
}

void StationView::OnScanned() {
  const QString serial = m_serial->text().trimmed();
  m_serial->clear();
  if (serial.isEmpty() || m_session->IsBusy()) return;
  if (m_passedToday && m_passedToday(serial) && !m_askAgain(this, serial)) return;
  for (int row = 0; row < m_steps->rowCount(); ++row) SetStep(row, {}, false);
  m_step = -1;
  ShowVerdict(std::nullopt);  // the last result stays until this scan
  m_reason->setText(serial);
  const bool started = m_session->Scan(serial);
  m_serial->setReadOnly(started);
  m_leave->setEnabled(!started);  // the radio under way is finished before the mode is left
}

void StationView::OnStep(const QString& step) {
  const int row = int(StepNames().indexOf(step));
  if (row < 0) return;
  // A step left out means the one before it failed: a failed alignment is not written.
  if (m_step >= 0) SetStep(m_step, row > m_step + 1 ? tr(kFailed) : tr(kDone), true);
  for (int skipped = m_step + 1; skipped < row; ++skipped) SetStep(skipped, tr(kSkipped), false);
  m_step = row;
  m_stepClock.start();
  SetStep(row, tr(kRunning), false);
}

void StationView::OnRadioFinished(const QString& serial, const StationSession::Result& result) {
  const bool pass = result.verdict == StationSession::Result::Verdict::Pass;
  const bool unread = m_step == 0, unrecorded = result.reason.startsWith("not recorded");
  if (m_step >= 0) SetStep(m_step, !pass && (unread || unrecorded) ? tr(kFailed) : tr(kDone), true);
  if (result.reason.startsWith("not written")) m_steps->item(2, 1)->setText(tr(kFailed));
  m_step = -1;
  m_lastResult = result;
  ShowVerdict(result);
  m_reason->setText(serial + (result.reason.isEmpty() ? QString() : "\n" + result.reason));
  m_serial->setReadOnly(false);
  m_leave->setEnabled(true);
  m_serial->setFocus();
  emit RadioFinished(serial, result);
}

void StationView::OnEnded(const QString& why) {
  m_serial->setReadOnly(true);
  m_verdict->clear();
  m_reason->setText(tr("产线模式已停止: %1").arg(why));
}

void StationView::SetStep(int row, const QString& state, bool timed) {
  m_steps->item(row, 1)->setText(state);
  const double seconds = double(m_stepClock.elapsed()) / 1000.0;
  m_steps->item(row, 2)->setText(timed ? tr("%1 秒").arg(seconds, 0, 'f', 1) : QString());
}

void StationView::ShowVerdict(const std::optional<StationSession::Result>& result) {
  const bool pass = result && result->verdict == StationSession::Result::Verdict::Pass;
  m_verdict->setText(!result ? QString() : pass ? QStringLiteral("PASS") : QStringLiteral("FAIL"));
  m_verdict->setStyleSheet(!result ? QString() : pass ? kPassStyle : kFailStyle);
}

void StationView::reject() {}

void StationView::closeEvent(QCloseEvent* event) {
  if (!m_leaving) event->ignore();
}

void StationView::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  m_serial->setFocus();  // a scanner types into the window without a click first
}

void StationView::Leave() {
  m_leaving = true;
  m_serial->setReadOnly(true);
  m_session->Stop();  // the radio under way finishes first
  done(QDialog::Accepted);
}

}  // namespace velmora
