#pragma once

#include <QString>
#include <cstdint>
#include <span>
#include <string_view>

#include "ui/pages/LiveTuningPage.h"

class QComboBox;

namespace velmora {

class CalibrationImage;

// One group of CTCSS tones of one band: the group's tones in a combo box and eight vertical
// sliders with their edit boxes, one per frequency column. A release composes a live command
// carrying frequency, tone and level. Tone levels have no place in the image: a load sets
// every column to 0 and a store keeps nothing.
class CToneLevelDlg : public LiveTuningPage {
  Q_OBJECT

 public:
  static constexpr int kColumns = 8;
  static constexpr int kGroups = 8;
  static constexpr int kUnsignedColumn = 3;  // its edit box is exchanged as unsigned

  CToneLevelDlg();

  static QString Caption(int group);
  // The tones of a group in list order; a group outside 0..6 gets group 7's list.
  static std::span<const std::string_view> Tones(int group);

  void SetContext(LiveTuningQueue* queue, CalibrationImage* image, int band, int group);
  void FillToneList();
  void LoadFromImage();
  void StoreToImage();

  // The tone the next command carries: the typed text when it reads as a number, otherwise the
  // selected entry.
  QString ToneText() const;
  QComboBox* ToneList() const { return m_toneList; }

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(DataExchange& dx) override;
  void ComposeLiveCommand(int k, int v) override;

 private:
  QComboBox* m_toneList = nullptr;
  int m_group = 0;
};

}  // namespace velmora
