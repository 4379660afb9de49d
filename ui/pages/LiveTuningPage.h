#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "transfer/LiveTuningQueue.h"
#include "ui/kit/CPageDlg.h"

class QLineEdit;
class QSlider;

namespace velmora {

class CalibrationImage;

// What the level-table and tone-level pages share: slider/edit pairs whose box follows its
// slider, and a release that composes a live command and arms it in the band's live-tuning queue.
class LiveTuningPage : public CPageDlg {
  Q_OBJECT

 public:
  std::int32_t Value(int k) const { return m_value[static_cast<std::size_t>(k)]; }
  QSlider* Slider(int k) const { return m_slider[static_cast<std::size_t>(k)]; }
  QLineEdit* Edit(int k) const;
  // Puts a value into pair k's slider and box as the program's own move: no live tune, no edit.
  void ShowValue(int k, int value);
  bool IsLiveRequestArmed() const { return m_queue && m_queue->IsArmed(m_queueTable); }
  // The command composed on the last release; the page's next request carries it.
  std::optional<LiveCommandComposer::Command> PendingCommand() const {
    return m_queue ? m_queue->Composed(m_queueTable) : std::nullopt;
  }

 protected:
  // sliderIds[k] and editIds[k] are pair k; the spans are the resource tables.
  LiveTuningPage(const res::DialogTemplate& dialogTemplate, std::span<const int> sliderIds,
                 std::span<const int> editIds);

  // queueTable: the page's place in the queue (LiveTuningQueue::LevelTable or ToneGroup).
  void SetLiveContext(LiveTuningQueue* queue, int queueTable, CalibrationImage* image, int band);
  // Gives every slider its range and ticks and hooks its paint and release.
  void SetUpSliders(int max, int tickInterval);
  // The slider of pair k; the edit box's value is exchanged by the page.
  void ExchangeSlider(DataExchange& dx, int k);
  int EditId(int k) const { return m_editIds[static_cast<std::size_t>(k)]; }
  int Pairs() const { return static_cast<int>(m_sliderIds.size()); }
  std::int32_t& ValueRef(int k) { return m_value[static_cast<std::size_t>(k)]; }
  void ArmLiveRequest(const LiveCommandComposer::Command& command) {
    if (m_queue) m_queue->Arm(m_queueTable, command);
  }
  virtual void ComposeLiveCommand(int k, int v) = 0;

  CalibrationImage* m_image = nullptr;
  int m_band = 0;

 private:
  void OnCustomDraw(int k);
  void OnReleasedCapture(int k);

  std::span<const int> m_sliderIds;
  std::span<const int> m_editIds;
  std::vector<QSlider*> m_slider;
  std::vector<std::int32_t> m_value;
  LiveTuningQueue* m_queue = nullptr;  // the band page's
  int m_queueTable = 0;
};

}  // namespace velmora
