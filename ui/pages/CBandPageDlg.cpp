#include "ui/pages/CBandPageDlg.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <algorithm>

#include "core/BandSettings.h"
#include "core/CalibrationImage.h"
#include "res/DialogTemplates.h"
#include "res/ResourceIds.h"
#include "res/TableNames.h"
#include "ui/controls/CStyledTabCtrl.h"
#include "ui/kit/DialogUnits.h"
#include "ui/pages/CLevelTableDlg.h"
#include "ui/pages/CToneLevelDlg.h"

namespace velmora {
namespace {

namespace id = res::band_page;

constexpr COLORREF kLabelColor = 0x02FF00;
constexpr int kLabelFontPoints = 16;
constexpr int kMinLabelPixels = 6;
constexpr int kBaseMin = 100, kBaseMax = 600, kBaseTicks = 5;
constexpr int kStepMin = 1, kStepMax = 10, kStepTicks = 1;
constexpr int kLabelCount = 8;

using Field = BandSettings::Field;

}  // namespace

CBandPageDlg::CBandPageDlg() : CPageDlg(res::BandPageTemplate(), &CStyledTabCtrl::MakeForTemplate) {
  m_liveQueue.job().AskOwner();  // the window shows a live tune's failure
  connect(&m_liveQueue, &LiveTuningQueue::Requested, this, [this] { m_progress->setValue(0); });
  connect(&m_liveQueue.job().reports(), &JobRelay::Finished, this, &CBandPageDlg::OnTransferDone);
}

CBandPageDlg::~CBandPageDlg() = default;

QLineEdit* CBandPageDlg::baseEdit() const { return ControlAs<QLineEdit>(id::kBase); }
QLineEdit* CBandPageDlg::stepEdit() const { return ControlAs<QLineEdit>(id::kStep); }

void CBandPageDlg::SetContext(CalibrationImage* image, int band) {
  m_image = image;
  m_band = band;
  m_liveQueue.SetImage(image);
}

// The align buttons rest while any transfer holds the gate, as the window's buttons do.
void CBandPageDlg::SetTransferGate(TransferGate* gate) {
  m_liveQueue.SetTransferGate(gate);
  if (m_gate) disconnect(m_gate, nullptr, this, nullptr);
  m_gate = gate;
  if (!m_gate) return;
  connect(m_gate, &TransferGate::Entered, this, &CBandPageDlg::UpdateAlignButtons);
  connect(m_gate, &TransferGate::Released, this, &CBandPageDlg::UpdateAlignButtons);
  UpdateAlignButtons();
}

QPushButton* CBandPageDlg::alignTableButton() const {
  return ControlAs<QPushButton>(id::kAlignTable);
}

QPushButton* CBandPageDlg::alignBandButton() const {
  return ControlAs<QPushButton>(id::kAlignBand);
}

std::optional<int> CBandPageDlg::ShownTransmitTable() const {
  const int table = m_levelTab->currentIndex();
  if (table < 0 || table == layout::kReceiveTuningTable) return std::nullopt;
  return table;
}

void CBandPageDlg::ShowLevel(int table, int point, int level) {
  levelPage(table)->ShowValue(point, level);
}

void CBandPageDlg::UpdateAlignButtons() {
  if (!m_levelTab) return;  // the gate may come before the page's window
  const bool open = !m_gate || m_gate->IsOpen();
  const std::optional<int> table = ShownTransmitTable();
  alignTableButton()->setEnabled(open && table.has_value());
  alignTableButton()->setToolTip(table ? tr("自动校准%1表").arg(CLevelTableDlg::Caption(*table))
                                       : tr("接收电调不能自动校准"));
  alignBandButton()->setEnabled(open);
}

bool CBandPageDlg::OnInitDialog() {
  CPageDlg::OnInitDialog();
  CreateSubPages();
  m_baseSlider->setRange(kBaseMin, kBaseMax);
  m_baseSlider->setTickInterval(kBaseTicks);
  m_stepSlider->setRange(kStepMin, kStepMax);
  m_stepSlider->setTickInterval(kStepTicks);
  WatchSliderPaint(m_baseSlider, [this] { OnSliderDraw(m_baseSlider, m_base, true); });
  WatchSliderPaint(m_stepSlider, [this] { OnSliderDraw(m_stepSlider, m_step, false); });
  WatchSliderInput(m_baseSlider);
  WatchSliderInput(m_stepSlider);
  for (QLabel* label : {m_rowLabel, m_leftLabels, m_rightLabels}) label->installEventFilter(this);
  connect(m_levelTab, &QTabBar::currentChanged, this, &CBandPageDlg::UpdateAlignButtons);
  connect(alignTableButton(), &QPushButton::clicked, this, [this] {
    if (const auto table = ShownTransmitTable()) emit AlignRequested(m_band, {*table});
  });
  connect(alignBandButton(), &QPushButton::clicked, this, [this] {
    emit AlignRequested(m_band, {0, 1, 2});
  });
  UpdateAlignButtons();
  LoadFromImage();
  return true;
}

// Every sub-page is set up alike: context, window in its tab control, tab with its caption.
template <class Page, std::size_t N>
void CBandPageDlg::CreatePages(CStyledTabCtrl* tab, std::array<Page*, N>& pages) {
  for (std::size_t i = 0; i < N; ++i) {
    auto* page = new Page;
    page->SetContext(&m_liveQueue, m_image, m_band, static_cast<int>(i));
    page->Create(tab);
    tab->AddPage(page, Page::Caption(static_cast<int>(i)), 0);
    pages[i] = page;
  }
  tab->SetSelectedTextColor(CStyledTabCtrl::kSelectedCaptionColor);
  tab->SetHoverTextColor(CStyledTabCtrl::kHoverCaptionColor);
}

void CBandPageDlg::CreateSubPages() {
  CreatePages(m_levelTab, m_levelPages);
  // The tone pages' tab never shows: building them waits until the window is on the screen.
  QTimer::singleShot(0, this, &CBandPageDlg::CreateTonePages);
}

void CBandPageDlg::CreateTonePages() {
  CreatePages(m_toneTab, m_tonePages);
  UpdateAccessibleNames();
}

void CBandPageDlg::DoDataExchange(DataExchange& dx) {
  dx.Control(id::kProgress, m_progress);
  dx.Control(id::kRowLabel, m_rowLabel);
  dx.Control(id::kStepSlider, m_stepSlider);
  dx.Control(id::kBaseSlider, m_baseSlider);
  dx.Control(id::kRightLabels, m_rightLabels);
  dx.Control(id::kLeftLabels, m_leftLabels);
  dx.Control(id::kLevelTab, m_levelTab);
  dx.Control(id::kToneTab, m_toneTab);
  dx.Text(id::kBase, m_base);
  dx.Text(id::kStep, m_step);
  const std::pair<int, std::uint32_t*> limits[] = {{id::kRxLow, &m_rxLow},
                                                   {id::kRxHigh, &m_rxHigh},
                                                   {id::kTxLow, &m_txLow},
                                                   {id::kTxHigh, &m_txHigh}};
  for (auto [box, member] : limits) {
    dx.Text(box, *member);
    dx.MinMaxUInt(*member, 0, kLimitMax);
  }
}

void CBandPageDlg::LoadFromImage() {
  const BandSettings s = BandSettings::FromImage(*m_image, m_band);
  m_baseSlider->setValue(s.base);  // the slider clamps its thumb into its range
  m_base = s.base;                 // the box shows the value as decoded
  m_stepSlider->setValue(s.step);
  m_step = s.step;
  m_rxLow = static_cast<std::uint32_t>(s.rxLow);
  m_rxHigh = static_cast<std::uint32_t>(s.rxHigh);
  m_txLow = static_cast<std::uint32_t>(s.txLow);
  m_txHigh = static_cast<std::uint32_t>(s.txHigh);
  for (CToneLevelDlg* page : TonePages()) page->LoadFromImage();
  for (CLevelTableDlg* page : m_levelPages) page->LoadFromImage();
  UpdateData(false);
  UpdateAccessibleNames();
  update();
}

void CBandPageDlg::StoreToImage() {
  UpdateData(true);  // a refused box keeps its value; the store goes on with the values held
  WriteBase();
  WriteStep();
  const std::pair<Field, std::uint32_t> limits[] = {{Field::RxLow, m_rxLow},
                                                    {Field::RxHigh, m_rxHigh},
                                                    {Field::TxLow, m_txLow},
                                                    {Field::TxHigh, m_txHigh}};
  for (auto [field, value] : limits) {
    BandSettings::Write(*m_image, m_band, field, static_cast<std::int32_t>(value));
  }
  for (CToneLevelDlg* page : TonePages()) page->StoreToImage();
  for (CLevelTableDlg* page : m_levelPages) page->StoreToImage();
}

// Live commands are composed from these two fields, also while a job runs: never mid-write.
void CBandPageDlg::WriteBase() {
  const auto lock = m_image->Lock();
  BandSettings::Write(*m_image, m_band, Field::Base, m_base);
}

void CBandPageDlg::WriteStep() {
  const auto lock = m_image->Lock();
  BandSettings::Write(*m_image, m_band, Field::Step, m_step);
}

// Whenever a frequency slider paints, its box takes its position and a change reaches the image
// at once, so live commands use it without a store. The limits keep what the user typed.
void CBandPageDlg::OnSliderDraw(QSlider* slider, std::int32_t& member, bool isBase) {
  const std::int32_t old = member;
  FollowSlider(slider, isBase ? id::kBase : id::kStep, member);
  if (member == old) return;
  isBase ? WriteBase() : WriteStep();
  for (QLabel* label : {m_rowLabel, m_leftLabels, m_rightLabels}) label->update();
  UpdateAccessibleNames();
  update();
}

// Screen readers and UI automation name each control by band, table and point frequency, since
// the painted labels carry no text of their own.
void CBandPageDlg::UpdateAccessibleNames() {
  const QString band = m_band == 0 ? tr("A段") : tr("B段");
  const std::pair<int, const char*> own[] = {
      {id::kBaseSlider, QT_TR_NOOP("频段")},  {id::kBase, QT_TR_NOOP("频段")},
      {id::kStepSlider, QT_TR_NOOP("步进")},  {id::kStep, QT_TR_NOOP("步进")},
      {id::kRxLow, QT_TR_NOOP("接收下限")},   {id::kRxHigh, QT_TR_NOOP("接收上限")},
      {id::kTxLow, QT_TR_NOOP("发射下限")},   {id::kTxHigh, QT_TR_NOOP("发射上限")},
      {id::kProgress, QT_TR_NOOP("实时电调")}};
  for (const auto& [controlId, name] : own) {
    Control(controlId)->setAccessibleName(band + ' ' + tr(name));
  }
  m_rowLabel->setAccessibleName(RowText().trimmed());
  m_leftLabels->setAccessibleName(ColumnTexts(m_base).join(' '));
  m_rightLabels->setAccessibleName(ColumnTexts(m_base + m_step).join(' '));
  for (int t = 0; t < kLevelTables; ++t) {
    for (int k = 0; k < CLevelTableDlg::kPoints; ++k) {
      const QString name = band + ' ' + CLevelTableDlg::Caption(t) + ' ' +
                           res::PointName(k, BandSettings::PointMhz(m_base, m_step, k));
      m_levelPages[std::size_t(t)]->Slider(k)->setAccessibleName(name);
      m_levelPages[std::size_t(t)]->Edit(k)->setAccessibleName(name);
    }
  }
  for (int g = 0; g < static_cast<int>(TonePages().size()); ++g) {
    CToneLevelDlg* page = m_tonePages[std::size_t(g)];
    const QString group = band + ' ' + CToneLevelDlg::Caption(g);
    page->ToneList()->setAccessibleName(tr("%1 亚音").arg(group));
    if (QLineEdit* typed = page->ToneList()->lineEdit())
      typed->setAccessibleName(tr("%1 亚音").arg(group));
    for (int k = 0; k < CToneLevelDlg::kColumns; ++k) {
      const QString name = tr("%1 列 %2").arg(group).arg(k + 1);
      page->Slider(k)->setAccessibleName(name);
      page->Edit(k)->setAccessibleName(name);
    }
  }
}

QString CBandPageDlg::RowText() const {
  QString text;
  for (int i = 0; i < kLabelCount; ++i) {
    text += QString::asprintf("%dM ", BandSettings::PointMhz(m_base, m_step, 2 * i));
  }
  return text;
}

QStringList CBandPageDlg::ColumnTexts(int start) const {
  QStringList texts;
  for (int k = 0; k < kLabelCount; ++k) {
    texts << QString::asprintf("%dM", BandSettings::PointMhz(start, m_step, 2 * k));
  }
  return texts;
}

bool CBandPageDlg::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::Paint &&
      (watched == m_rowLabel || watched == m_leftLabels || watched == m_rightLabels)) {
    PaintLabel(static_cast<QLabel*>(watched));
    return true;  // the template texts are replaced by the page's own
  }
  return CPageDlg::eventFilter(watched, e);
}

void CBandPageDlg::PaintLabel(QLabel* label) {
  QPainter painter(label);
  painter.setPen(CStyledTabCtrl::FromColorRef(kLabelColor));
  painter.setFont(LabelFont(label));
  for (const auto& [line, text] : LabelLines(label)) {
    painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, text);
  }
}

// The label face, shrunk where a text would not fit its strip (a narrow strip or a large scale).
QFont CBandPageDlg::LabelFont(const QLabel* label) const {
  QFont font = DialogUnits::TemplateFont("宋体", kLabelFontPoints);
  const QStringList texts = label == m_rowLabel
                                ? QStringList{RowText().trimmed()}
                                : ColumnTexts(label == m_leftLabels ? m_base : m_base + m_step);
  auto widest = [&] {
    int width = 0;
    for (const QString& text : texts)
      width = std::max(width, QFontMetrics(font).horizontalAdvance(text));
    return width;
  };
  while (widest() > label->width() && font.pixelSize() > kMinLabelPixels) {
    font.setPixelSize(font.pixelSize() - 1);
  }
  return font;
}

QList<std::pair<QRect, QString>> CBandPageDlg::LabelLines(const QLabel* label) const {
  const QFontMetrics metrics(LabelFont(label));
  const int lineHeight = metrics.height();
  if (label == m_rowLabel) return {{QRect(0, 0, label->width(), lineHeight), RowText()}};
  // Each text stands beside its row of level-table sliders, however tall the font makes a row,
  // and never past the strip's edges.
  QList<std::pair<QRect, QString>> lines;
  const QStringList texts = ColumnTexts(label == m_leftLabels ? m_base : m_base + m_step);
  for (int k = 0; k < texts.size(); ++k) {
    const QSlider* rowSlider = m_levelPages[0]->Slider(2 * k);
    const int rowCentre = rowSlider->mapTo(this, QPoint(0, rowSlider->height() / 2)).y();
    const int top = std::clamp(rowCentre - label->y() - lineHeight / 2, 0,
                               std::max(0, label->height() - lineHeight));
    lines.append({QRect(0, top, label->width(), lineHeight), texts[k]});
  }
  return lines;
}

void CBandPageDlg::OnTransferDone(int operation, const TransferOutcome& outcome) {
  if (operation != TRANSFER_LIVE) return;
  // A job that found no radio told the user itself; the bar stays where the request left it.
  if (outcome.result == TransferOutcome::Result::Success) m_progress->setValue(kLiveSentProgress);
  if (outcome.result == TransferOutcome::Result::Failed) m_progress->setValue(kLiveFailedProgress);
}

void CBandPageDlg::StartLiveTune() {
  m_liveQueue.Request(LiveTuningQueue::kImageCommand, std::nullopt);
}

void CBandPageDlg::CancelLiveRequests() { m_liveQueue.CancelAll(); }

}  // namespace velmora
