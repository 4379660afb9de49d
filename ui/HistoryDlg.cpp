#include "ui/HistoryDlg.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "records/RecordStore.h"

namespace velmora {
namespace {

// The stored UTC time in the bench's own time, as the operator reads a clock.
QString LocalTime(const std::string& utc) {
  const QDateTime at = QDateTime::fromString(QString::fromStdString(utc), Qt::ISODateWithMs);
  return at.isValid() ? at.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                      : QString::fromStdString(utc);
}

}  // namespace

HistoryDlg::HistoryDlg(QWidget* parent, QString benchPath)
    : QDialog(parent), m_benchPath(std::move(benchPath)) {
  setWindowTitle(tr(kTitle));
  auto* layout = new QVBoxLayout(this);
  auto* search = new QHBoxLayout;
  search->addWidget(new QLabel(tr(kSerialText), this));
  m_serial = new QLineEdit(this);
  search->addWidget(m_serial, 1);
  auto* find = new QPushButton(tr(kSearchText), this);
  search->addWidget(find);
  layout->addLayout(search);
  m_table = new QTableWidget(0, kColumns, this);
  m_table->setHorizontalHeaderLabels(
      {tr("时间"), tr("作业"), tr("结果"), tr("工位"), tr("操作员")});
  m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_table->setSelectionMode(QAbstractItemView::SingleSelection);
  m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_table->horizontalHeader()->setStretchLastSection(true);
  layout->addWidget(m_table, 1);
  m_status = new QLabel(this);
  layout->addWidget(m_status);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  m_openBefore = buttons->addButton(tr(kOpenBeforeText), QDialogButtonBox::ActionRole);
  m_openAfter = buttons->addButton(tr(kOpenAfterText), QDialogButtonBox::ActionRole);
  layout->addWidget(buttons);
  // Enter in the serial (a scanner's) searches; it never opens an image.
  find->setAutoDefault(false);
  m_openBefore->setAutoDefault(false);
  m_openAfter->setAutoDefault(false);
  connect(m_serial, &QLineEdit::returnPressed, this, &HistoryDlg::Search);
  connect(find, &QPushButton::clicked, this, &HistoryDlg::Search);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(m_openBefore, &QPushButton::clicked, this, [this] { OpenImage(false); });
  connect(m_openAfter, &QPushButton::clicked, this, [this] { OpenImage(true); });
  connect(m_table, &QTableWidget::itemSelectionChanged, this, &HistoryDlg::UpdateButtons);
  UpdateButtons();
}

void HistoryDlg::Search() {
  const std::string serial = m_serial->text().trimmed().toStdString();
  std::string error;
  m_jobs.clear();
  if (const auto store = RecordStore::Open(m_benchPath, error))
    m_jobs = store->History(serial, error);
  ShowJobs();
  if (!error.empty())
    m_status->setText(QString::fromStdString(error));
  else if (m_jobs.empty())
    m_status->setText(tr(kNoneText).arg(QString::fromStdString(serial)));
  else
    m_status->clear();
}

void HistoryDlg::ShowJobs() {
  m_table->clearContents();
  m_table->setRowCount(int(m_jobs.size()));
  for (int row = 0; row < int(m_jobs.size()); ++row) {
    const ProductionRecord& r = m_jobs[std::size_t(row)];
    const QString cells[kColumns] = {
        LocalTime(r.startedUtc), QString::fromStdString(r.kind), QString::fromStdString(r.outcome),
        QString::fromStdString(r.Station()), QString::fromStdString(r.operatorName)};
    for (int column = 0; column < kColumns; ++column)
      m_table->setItem(row, column, new QTableWidgetItem(cells[column]));
  }
  if (!m_jobs.empty()) m_table->selectRow(0);
  UpdateButtons();
}

void HistoryDlg::UpdateButtons() {
  const int row = m_table->currentRow();
  const bool chosen = row >= 0 && row < int(m_jobs.size()) && m_table->item(row, 0)->isSelected();
  m_openBefore->setEnabled(chosen && !m_jobs[std::size_t(row)].imageBefore.empty());
  m_openAfter->setEnabled(chosen && !m_jobs[std::size_t(row)].imageAfter.empty());
}

// The dialog closes first: the window may then ask whether to save its own work.
void HistoryDlg::OpenImage(bool after) {
  const int row = m_table->currentRow();
  if (row < 0 || row >= int(m_jobs.size())) return;
  const ProductionRecord& r = m_jobs[std::size_t(row)];
  m_chosen = after ? r.imageAfter : r.imageBefore;
  accept();
}

}  // namespace velmora
