#pragma once

#include <QString>
#include <cstdint>

#include "core/ImageLayout.h"
#include "core/PointRef.h"
#include "ui/pages/LiveTuningPage.h"

namespace velmora {

class CalibrationImage;

// One 16-point alignment table of one band: sixteen horizontal sliders, each with its edit
// box. A release of a transmit-table slider composes a live command and arms it in the band's
// live-tuning queue, which sends it 400 ms later, once no transfer runs.
class CLevelTableDlg : public LiveTuningPage {
  Q_OBJECT

 public:
  static constexpr int kPoints = layout::kPointsPerTable;

  CLevelTableDlg();

  // The tab caption of a table: high, middle and low power, receive tuning.
  static QString Caption(int table);

  void SetContext(LiveTuningQueue* queue, CalibrationImage* image, int band, int table);
  void LoadFromImage();
  void StoreToImage();

  int Max() const { return layout::MaxLevel(m_table); }

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(DataExchange& dx) override;
  void ComposeLiveCommand(int k, int v) override;

 private:
  PointRef Point(int k) const;

  int m_table = 0;
};

}  // namespace velmora
