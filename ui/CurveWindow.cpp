#include "ui/CurveWindow.h"

#include <QLineEdit>
#include <QScreen>
#include <QSlider>
#include <QTabBar>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/WindowPlacement.h"
#include "ui/pages/CBandPageDlg.h"
#include "ui/pages/CLevelTableDlg.h"

namespace velmora {
namespace {

constexpr QSize kCurveWindowSize{720, 480};
constexpr int kMinimumWidth = 360;      // narrower, the view is of no use beside the window
constexpr int kPowerChartHeight = 300;  // the window grows by this when an alignment measures
constexpr int kLevelStretch = 3, kPowerStretch = 2;

// The number a box shows, or the slider's position while the box holds no number.
int ShownValue(const QLineEdit* edit, const QSlider* slider) {
  bool ok = false;
  const int typed = edit->text().toInt(&ok);
  return ok ? typed : slider->value();
}

}  // namespace

CurveWindow::CurveWindow(const ChartView& charts, CBandPageDlg* bandA, CBandPageDlg* bandB,
                         QTabBar* bands, QWidget* parent)
    : QDialog(parent),
      m_charts(charts),
      m_bandA(bandA),
      m_bandB(bandB),
      m_bands(bands),
      m_view(charts.create(this)),
      m_powerView(charts.createPower(this)) {
  setWindowTitle(tr("曲线"));
  m_powerView->hide();
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_view, kLevelStretch);
  layout->addWidget(m_powerView, kPowerStretch);
  resize(kCurveWindowSize);
  m_refresh.setSingleShot(true);
  m_refresh.setInterval(0);
  connect(&m_refresh, &QTimer::timeout, this, &CurveWindow::Refresh);
  Watch(m_bandA);
  Watch(m_bandB);
  connect(m_bands, &QTabBar::currentChanged, &m_refresh, qOverload<>(&QTimer::start));
  Refresh();
  if (parent) PlaceBeside(parent);
}

// Never over the sliders it follows where the screen has room beside them.
void CurveWindow::PlaceBeside(const QWidget* window) {
  const QScreen* screen = window->screen();
  if (!screen) return;
  const QRect place = WindowPlacement::Beside(screen->availableGeometry(), window->frameGeometry(),
                                              size(), kMinimumWidth);
  resize(place.size());
  move(place.topLeft());
}

QChart* CurveWindow::chart() const { return m_charts.chart(m_view); }

void CurveWindow::Watch(CBandPageDlg* page) {
  for (QLineEdit* edit : {page->baseEdit(), page->stepEdit()}) {
    connect(edit, &QLineEdit::textChanged, &m_refresh, qOverload<>(&QTimer::start));
  }
  for (int t = 0; t < layout::kTablesPerBand; ++t) {
    CLevelTableDlg* table = page->levelPage(t);
    for (int k = 0; k < CLevelTableDlg::kPoints; ++k) {
      // Any change redraws; only the user's own moves and typing move the marker, never a
      // Read or an Open loading the page.
      connect(table->Slider(k), &QSlider::valueChanged, &m_refresh, qOverload<>(&QTimer::start));
      connect(table->Edit(k), &QLineEdit::textChanged, &m_refresh, qOverload<>(&QTimer::start));
      connect(table->Slider(k), &QSlider::actionTriggered, this, [this, t, k] { Touch(t, k); });
      connect(table->Edit(k), &QLineEdit::textEdited, this, [this, t, k] { Touch(t, k); });
    }
  }
}

void CurveWindow::Touch(int table, int point) {
  m_current = AlignmentChart::Point{table, point};
  m_refresh.start();
}

CBandPageDlg* CurveWindow::ShownPage() const {
  return m_bands->currentIndex() == 1 ? m_bandB : m_bandA;
}

BandCurves CurveWindow::ShownCurves() const {
  const CBandPageDlg* page = ShownPage();
  BandCurves curves;
  curves.baseMhz = ShownValue(page->baseEdit(), page->baseSlider());
  curves.stepMhz = ShownValue(page->stepEdit(), page->stepSlider());
  for (int t = 0; t < layout::kTablesPerBand; ++t) {
    const CLevelTableDlg* table = page->levelPage(t);
    for (int k = 0; k < CLevelTableDlg::kPoints; ++k) {
      curves.levels[std::size_t(t)][std::size_t(k)] = ShownValue(table->Edit(k), table->Slider(k));
    }
  }
  return curves;
}

void CurveWindow::Refresh() {
  const bool bandB = ShownPage() == m_bandB;
  const BandCurves curves = ShownCurves();
  m_charts.show(m_view, bandB ? tr("B段") : tr("A段"), curves, m_current);
  if (IsPowerShown()) RefreshPower(curves);
}

QChart* CurveWindow::powerChart() const { return m_charts.chart(m_powerView); }

bool CurveWindow::IsPowerShown() const { return !m_powerView->isHidden(); }

void CurveWindow::ClearPower() {
  m_power = {};
  m_refresh.start();
}

void CurveWindow::SetPowerWindow(int band, int table, const PowerChart::Window& window) {
  m_power.at(std::size_t(band)).at(std::size_t(table)).window = window;
  ShowPower();
}

void CurveWindow::ShowReading(int band, int table, int point, double watts) {
  m_power.at(std::size_t(band)).at(std::size_t(table)).watts.at(std::size_t(point)) = watts;
  ShowPower();
}

// The power chart takes room of its own below the levels, as far as the screen allows.
void CurveWindow::ShowPower() {
  m_refresh.start();
  if (IsPowerShown()) return;
  m_powerView->show();
  int h = height() + kPowerChartHeight;
  if (const QScreen* s = screen()) h = std::min(h, s->availableGeometry().bottom() - y());
  resize(width(), std::max(h, height()));
}

// The readings stand at the frequencies the band page shows, as the level curves do.
void CurveWindow::RefreshPower(const BandCurves& curves) {
  const BandPower& band = m_power.at(ShownPage() == m_bandB ? 1 : 0);
  QList<PowerChart::Table> tables;
  for (int t = 0; t < kPowerTables; ++t) {
    const PowerTrack& track = band.at(std::size_t(t));
    PowerChart::Table shown{t, track.window, {}};
    for (int k = 0; k < layout::kPointsPerTable; ++k) {
      if (const auto watts = track.watts.at(std::size_t(k))) {
        shown.readings.append(QPointF(curves.PointMhz(k), *watts));
      }
    }
    if (shown.window || !shown.readings.isEmpty()) tables.append(shown);
  }
  m_charts.showPower(m_powerView, tables, curves.PointMhz(0),
                     curves.PointMhz(layout::kPointsPerTable - 1));
}

}  // namespace velmora
