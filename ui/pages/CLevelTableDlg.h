#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

#include "ui/kit/CPageDlg.h"
#include "ui/pages/LiveRequestTimer.h"

class QLineEdit;
class QSlider;

namespace velmora {

class CalibrationImage;

// One 16-point alignment table of one band: sixteen horizontal sliders, each with its edit
// box. A release of a transmit-table slider composes a live command and, 400 ms later and once
// no transfer runs, asks the request window to send it.
class CLevelTableDlg : public CPageDlg {
  Q_OBJECT

 public:
  static constexpr int kPoints = 16;
  static constexpr int kReceiveTuningTable = 3;

  CLevelTableDlg();

  // The tab caption of a table: high, middle and low power, receive tuning.
  static QString Caption(int table);

  void SetContext(QObject* requestWindow, CalibrationImage* image, int band, int table);
  void LoadFromImage();
  void StoreToImage();

  int Max() const { return m_table == kReceiveTuningTable ? 63 : 255; }
  std::int32_t Value(int k) const { return m_value[static_cast<std::size_t>(k)]; }
  QSlider* Slider(int k) const { return m_slider[static_cast<std::size_t>(k)]; }
  QLineEdit* Edit(int k) const;
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

  std::array<QSlider*, kPoints> m_slider{};
  std::array<std::int32_t, kPoints> m_value{};
  int m_band = 0;
  int m_table = 0;
  CalibrationImage* m_image = nullptr;
  LiveRequestTimer m_liveTimer;
};

}  // namespace velmora
