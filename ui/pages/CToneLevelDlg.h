#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "ui/kit/CPageDlg.h"
#include "ui/pages/LiveRequestTimer.h"

class QComboBox;
class QLineEdit;
class QSlider;

namespace velmora {

class CalibrationImage;

// One group of CTCSS tones of one band: the group's tones in a combo box and eight vertical
// sliders with their edit boxes, one per frequency column. A release composes a live command
// carrying frequency, tone and level. Tone levels have no place in the image: a load sets
// every column to 0 and a store keeps nothing.
class CToneLevelDlg : public CPageDlg {
  Q_OBJECT

 public:
  static constexpr int kColumns = 8;
  static constexpr int kGroups = 8;
  static constexpr int kUnsignedColumn = 3;  // its edit box is exchanged as unsigned

  CToneLevelDlg();

  static QString Caption(int group);
  // The tones of a group in list order; a group outside 0..6 gets group 7's list.
  static std::span<const std::string_view> Tones(int group);

  void SetContext(QObject* requestWindow, CalibrationImage* image, int band, int group);
  void FillToneList();
  void LoadFromImage();
  void StoreToImage();

  // The tone the next command carries: the typed text when it reads as a number, otherwise the
  // selected entry.
  QString ToneText() const;
  std::int32_t Value(int k) const { return m_value[static_cast<std::size_t>(k)]; }
  QSlider* Slider(int k) const { return m_slider[static_cast<std::size_t>(k)]; }
  QLineEdit* Edit(int k) const;
  QComboBox* ToneList() const { return m_toneList; }
  bool IsLiveRequestArmed() const { return m_liveTimer.IsArmed(); }
  // The command composed on the last release; the page's next request carries it.
  const std::optional<LiveCommandComposer::Command>& PendingCommand() const {
    return m_liveTimer.command();
  }
  void CancelLiveRequest() { m_liveTimer.Cancel(); }

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(DataExchange& dx) override;

 private:
  void OnCustomDraw(int k);
  void OnReleasedCapture(int k);
  void ComposeLiveCommand(int k, int v);

  QComboBox* m_toneList = nullptr;
  std::array<QSlider*, kColumns> m_slider{};
  std::array<std::int32_t, kColumns> m_value{};
  int m_band = 0;
  int m_group = 0;
  CalibrationImage* m_image = nullptr;
  LiveRequestTimer m_liveTimer;
};

}  // namespace velmora
