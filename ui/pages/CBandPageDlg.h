#pragma once

#include <QFont>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>

#include "transfer/LiveTuningQueue.h"
#include "ui/kit/CPageDlg.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSlider;

namespace velmora {

class CLevelTableDlg;
class CStyledTabCtrl;
class CToneLevelDlg;

// Everything aligned per band: base frequency and step with their sliders, the receive and
// transmit limits, the four level-table pages (and eight hidden tone-level pages, built once the
// event loop runs), the frequency labels beside the tables, and the live-tuning transfer its pages
// ask for.
class CBandPageDlg : public CPageDlg {
  Q_OBJECT

 public:
  static constexpr int kToneGroups = 8;
  static constexpr int kLevelTables = 4;
  static constexpr std::uint32_t kLimitMax = 600;
  // The progress bar after a live tune: the radio acknowledged the command, or it did not.
  static constexpr int kLiveSentProgress = 100;
  static constexpr int kLiveFailedProgress = 50;

  CBandPageDlg();
  ~CBandPageDlg() override;

  void SetContext(CalibrationImage* image, int band);
  // The window's gate: a live tune waits while a read or write runs, and the other way round.
  void SetTransferGate(TransferGate* gate);
  void LoadFromImage();
  void StoreToImage();
  // Asks for a live tune of the image's liveCommand as it stands.
  void StartLiveTune();
  // A live job of this page has its outcome: the bar shows whether the radio took the command.
  void OnTransferDone(int operation, const TransferOutcome& outcome);
  // Forgets every live-tuning request of this page and its sub-pages that has not started yet.
  void CancelLiveRequests();

  // The label texts, computed from base and step as the page holds them.
  QString RowText() const;
  QStringList ColumnTexts(int start) const;

  std::int32_t base() const { return m_base; }
  std::int32_t step() const { return m_step; }
  CTransferJob& job() { return m_liveQueue.job(); }
  LiveTuningQueue& liveQueue() { return m_liveQueue; }
  QProgressBar* progress() const { return m_progress; }
  QSlider* baseSlider() const { return m_baseSlider; }
  QSlider* stepSlider() const { return m_stepSlider; }
  QLineEdit* baseEdit() const;
  QLineEdit* stepEdit() const;
  CStyledTabCtrl* levelTab() const { return m_levelTab; }
  CStyledTabCtrl* toneTab() const { return m_toneTab; }
  CLevelTableDlg* levelPage(int table) const { return m_levelPages.at(std::size_t(table)); }
  // Null until the hidden tone pages are built.
  CToneLevelDlg* tonePage(int group) const { return m_tonePages.at(std::size_t(group)); }
  // A request waits while another transfer runs.
  bool IsLiveTuneDeferred() const { return m_liveQueue.IsDeferred(); }
  // Where each frequency text of a label strip is drawn, in the strip's coordinates.
  QList<std::pair<QRect, QString>> LabelLines(const QLabel* label) const;
  QFont LabelFont(const QLabel* label) const;
  QLabel* leftLabels() const { return m_leftLabels; }
  QLabel* rightLabels() const { return m_rightLabels; }
  QPushButton* alignTableButton() const;
  QPushButton* alignBandButton() const;
  // The transmit table the level tab shows; nothing while it shows the receive tuning.
  std::optional<int> ShownTransmitTable() const;
  // Shows a level in a transmit table's slider and box, as an alignment tries it: no live tune.
  void ShowLevel(int table, int point, int level);

 signals:
  // "自动校准" asks for the table shown, "整段自动校准" for the band's three transmit tables.
  void AlignRequested(int band, const QList<int>& tables);

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(DataExchange& dx) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void CreateSubPages();
  void CreateTonePages();
  template <class Page, std::size_t N>
  void CreatePages(CStyledTabCtrl* tab, std::array<Page*, N>& pages);
  // The tone pages once built, none before.
  std::span<CToneLevelDlg* const> TonePages() const {
    return m_tonePages[0] ? std::span<CToneLevelDlg* const>(m_tonePages)
                          : std::span<CToneLevelDlg* const>();
  }
  void OnSliderDraw(QSlider* slider, std::int32_t& member, bool isBase);
  void WriteBase();
  void WriteStep();
  void PaintLabel(QLabel* label);
  void UpdateAccessibleNames();
  void UpdateAlignButtons();

  LiveTuningQueue m_liveQueue;
  QProgressBar* m_progress = nullptr;
  QLabel* m_rowLabel = nullptr;
  QSlider* m_stepSlider = nullptr;
  QSlider* m_baseSlider = nullptr;
  QLabel* m_rightLabels = nullptr;
  QLabel* m_leftLabels = nullptr;
  CStyledTabCtrl* m_levelTab = nullptr;
  CStyledTabCtrl* m_toneTab = nullptr;
  std::int32_t m_base = 0;
  std::int32_t m_step = 0;
  std::uint32_t m_rxLow = 0, m_rxHigh = 0, m_txLow = 0, m_txHigh = 0;
  int m_band = 0;
  CalibrationImage* m_image = nullptr;
  TransferGate* m_gate = nullptr;
  std::array<CToneLevelDlg*, kToneGroups> m_tonePages{};
  std::array<CLevelTableDlg*, kLevelTables> m_levelPages{};
};

}  // namespace velmora
