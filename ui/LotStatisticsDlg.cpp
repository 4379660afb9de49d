#include "ui/LotStatisticsDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSvgWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>
#include <span>

#include "core/SafeFile.h"
#include "plot/LotReport.h"
#include "records/LotQuery.h"
#include "ui/LotStatisticsTables.h"
#include "ui/RecordsLocation.h"
#include "ui/WindowPrompts.h"

namespace velmora {
namespace {

// Wide enough for the point table's ten columns without a scroll bar.
constexpr QSize kLotDialogSize(960, 640);

std::shared_ptr<LotStatisticsDlg::Result> Query(const QString& url, const RecordFilter& filter) {
  auto result = std::make_shared<LotStatisticsDlg::Result>();
  result->filter = filter;
  if (url.isEmpty()) {
    result->error = "no records database: the data folder is unknown (HOME or XDG_DATA_HOME)";
    return result;
  }
  auto store = RecordStore::Open(url, result->error);
  if (store) result->lot = LotQuery::Load(*store, filter, result->error);
  result->summary = LotStatistics::Summarise(result->lot);
  return result;
}

}  // namespace

LotStatisticsDlg::Sources LotStatisticsDlg::Sources::Program() {
  return {RecordsLocation::Bench(), RecordsLocation::Line()};
}

LotStatisticsDlg::LotStatisticsDlg(Sources sources, const WindowPrompts& prompts, QWidget* parent)
    : QDialog(parent),
      m_sources(std::move(sources)),
      m_prompts(prompts),
      m_lot(new QLineEdit(this)),
      m_sinceOn(new QCheckBox(tr("起始日期(&S):"), this)),
      m_since(new QDateEdit(QDate::currentDate().addDays(-7), this)),
      m_station(new QLineEdit(this)),
      m_source(new QComboBox(this)),
      m_queryButton(new QPushButton(tr("查询(&Q)"), this)),
      m_saveButton(new QPushButton(tr("保存报告(&E)..."), this)),
      m_summary(new QLabel(this)),
      m_tabs(new QTabWidget(this)),
      m_points(LotStatisticsTables::PointTable(this)),
      m_flagged(LotStatisticsTables::FlaggedTable(this)),
      m_chartColumn(new QVBoxLayout) {
  setWindowTitle(tr("批次统计"));
  m_source->addItem(tr("本机记录"), m_sources.bench);
  if (!m_sources.line.isEmpty()) m_source->addItem(tr("产线数据库"), m_sources.line);
  m_since->setCalendarPopup(true);
  m_since->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
  m_since->setEnabled(false);
  m_saveButton->setEnabled(false);
  m_summary->setWordWrap(true);
  m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* charts = new QWidget;
  charts->setLayout(m_chartColumn);
  auto* scroll = new QScrollArea(this);
  scroll->setWidget(charts);
  scroll->setWidgetResizable(true);
  m_tabs->addTab(m_points, tr("各点统计"));
  m_tabs->addTab(m_flagged, tr("离群与漂移"));
  m_tabs->addTab(scroll, tr("图表"));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  buttons->addButton(m_saveButton, QDialogButtonBox::ActionRole);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FilterRow());
  layout->addWidget(m_summary);
  layout->addWidget(m_tabs, 1);
  layout->addWidget(buttons);
  resize(kLotDialogSize);
  connect(m_sinceOn, &QCheckBox::toggled, m_since, &QWidget::setEnabled);
  connect(m_queryButton, &QPushButton::clicked, this, &LotStatisticsDlg::OnQuery);
  connect(m_lot, &QLineEdit::returnPressed, this, &LotStatisticsDlg::OnQuery);
  connect(m_saveButton, &QPushButton::clicked, this, &LotStatisticsDlg::OnSaveReport);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

LotStatisticsDlg::~LotStatisticsDlg() {
  if (!m_query) return;
  m_query->wait();
  delete m_query;
}

QWidget* LotStatisticsDlg::FilterRow() {
  auto* row = new QWidget(this);
  auto* form = new QFormLayout;
  form->addRow(tr("批次(&L):"), m_lot);
  form->addRow(m_sinceOn, m_since);
  form->addRow(tr("工位(&T):"), m_station);
  form->addRow(tr("记录(&R):"), m_source);
  m_station->setPlaceholderText(tr("主机 或 主机/工位"));
  auto* layout = new QHBoxLayout(row);
  layout->addLayout(form, 1);
  layout->addWidget(m_queryButton, 0, Qt::AlignBottom);
  return row;
}

RecordFilter LotStatisticsDlg::Filter() const {
  RecordFilter filter;
  filter.lot = m_lot->text().trimmed().toStdString();
  filter.station = m_station->text().trimmed().toStdString();
  if (m_sinceOn->isChecked()) filter.since = m_since->date().toString(Qt::ISODate).toStdString();
  return filter;
}

// The worker owns its result until it ends; the GUI thread reads it only after that.
void LotStatisticsDlg::OnQuery() {
  if (m_query) return;
  const QString url = m_source->currentData().toString();
  const RecordFilter filter = Filter();
  auto found = std::make_shared<std::shared_ptr<Result>>();
  m_query = QThread::create([url, filter, found] { *found = Query(url, filter); });
  connect(m_query, &QThread::finished, this, [this, found] {
    m_query->deleteLater();
    m_query = nullptr;
    Show(*found);
  });
  m_queryButton->setEnabled(false);
  m_summary->setText(tr("正在查询…"));
  m_query->start();
}

void LotStatisticsDlg::Show(std::shared_ptr<const Result> result) {
  m_result = std::move(result);
  m_queryButton->setEnabled(true);
  const bool any = !m_result->lot.radios.empty();
  m_saveButton->setEnabled(any);
  if (!m_result->error.empty()) {
    m_summary->setText(tr("查询失败: %1").arg(QString::fromStdString(m_result->error)));
  } else if (!any) {
    m_summary->setText(tr("没有符合条件的校准记录。"));
  } else {
    m_summary->setText(LotStatisticsTables::SummaryText(m_result->summary));
  }
  LotStatisticsTables::FillPoints(m_points, m_result->summary);
  LotStatisticsTables::FillFlagged(m_flagged, m_result->lot, m_result->summary);
  ShowCharts();
  emit Queried();
}

void LotStatisticsDlg::ShowCharts() {
  qDeleteAll(m_charts);
  m_charts.clear();
  const LotReport report(m_result->lot, m_result->summary, LotReport::Title(m_result->filter));
  if (m_result->lot.radios.empty()) return;
  std::vector<std::string> svgs = report.LevelCharts();
  for (std::string& drift : report.DriftCharts()) svgs.push_back(std::move(drift));
  for (const std::string& svg : svgs) {
    auto* chart = new QSvgWidget;
    chart->load(QByteArray::fromStdString(svg));
    chart->setFixedSize(chart->sizeHint());
    m_chartColumn->addWidget(chart);
    m_charts << chart;
  }
}

// The same files velmora-cli stats writes, saved as the window saves a calibration file.
void LotStatisticsDlg::OnSaveReport() {
  if (!m_result || m_result->lot.radios.empty()) return;
  const QString path = m_prompts.chooseLotReportPath(this, {});
  if (path.isEmpty()) return;
  const auto format = LotReport::FormatOf(path.toStdString());
  if (!format) {
    m_prompts.notify(this, tr("%1: 报告须以 .html、.csv 或 .json 结尾。").arg(path));
    return;
  }
  const LotReport report(m_result->lot, m_result->summary, LotReport::Title(m_result->filter));
  const SafeFile::Result saved = SafeFile::Write(path.toStdString(), report.Text(*format));
  if (!saved.ok()) {
    m_prompts.notify(this, tr("保存 %1 失败:\n%2").arg(path, QString::fromStdString(saved.Text())));
  }
}

}  // namespace velmora
