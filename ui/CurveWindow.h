#pragma once

#include <QDialog>
#include <QTimer>
#include <optional>

#include "core/BandCurves.h"
#include "plot/AlignmentChart.h"
#include "plot/ChartView.h"
#include "plot/PowerChart.h"

QT_BEGIN_NAMESPACE
class QChart;
class QTabBar;
QT_END_NAMESPACE

namespace velmora {

class CBandPageDlg;

// The band page on screen as curves: its four level tables against the point frequencies, with
// the point the user moved last marked. It opens beside the window. It follows the sliders and
// boxes as they change, so a point out of line with its neighbours stands out while tuning.
// While an alignment measures, a second chart below shows each point's power against its
// table's target window, for the band shown.
class CurveWindow : public QDialog {
  Q_OBJECT

 public:
  // The two band pages and the tab bar that shows one of them (tab 1: band B), drawn through
  // the chart view's functions.
  CurveWindow(const ChartView& charts, CBandPageDlg* bandA, CBandPageDlg* bandB, QTabBar* bands,
              QWidget* parent);

  // What the chart shows now: the values on screen, a box's number where it holds one.
  BandCurves ShownCurves() const;
  std::optional<AlignmentChart::Point> CurrentPoint() const { return m_current; }
  QChart* chart() const;

  // An alignment's measurements: a run starts afresh, names each table's window, then reports
  // every reading; the power chart shows from the first window on.
  void ClearPower();
  void SetPowerWindow(int band, int table, const PowerChart::Window& window);
  void ShowReading(int band, int table, int point, double watts);
  QChart* powerChart() const;
  bool IsPowerShown() const;

 private:
  void Watch(CBandPageDlg* page);
  void Touch(int table, int point);
  void Refresh();
  void PlaceBeside(const QWidget* window);
  CBandPageDlg* ShownPage() const;
  void RefreshPower(const BandCurves& curves);
  void ShowPower();

  static constexpr int kPowerTables = 3;  // the transmit tables
  struct PowerTrack {
    std::optional<PowerChart::Window> window;
    std::array<std::optional<double>, layout::kPointsPerTable> watts{};
  };
  using BandPower = std::array<PowerTrack, kPowerTables>;

  const ChartView& m_charts;
  CBandPageDlg* m_bandA;
  CBandPageDlg* m_bandB;
  QTabBar* m_bands;
  QWidget* m_view;
  QWidget* m_powerView;
  std::array<BandPower, 2> m_power{};
  QTimer m_refresh;  // one redraw for a burst of changes
  std::optional<AlignmentChart::Point> m_current;
};

}  // namespace velmora
