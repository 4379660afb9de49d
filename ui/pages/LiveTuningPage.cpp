#include "ui/pages/LiveTuningPage.h"

#include <QLineEdit>
#include <QSlider>

namespace velmora {

LiveTuningPage::LiveTuningPage(const res::DialogTemplate& dialogTemplate,
                               std::span<const int> sliderIds, std::span<const int> editIds)
    : CPageDlg(dialogTemplate),
      m_sliderIds(sliderIds),
      m_editIds(editIds),
      m_slider(sliderIds.size(), nullptr),
      m_value(sliderIds.size(), 0) {}

void LiveTuningPage::SetLiveContext(LiveTuningQueue* queue, int queueTable, CalibrationImage* image,
                                    int band) {
  m_queue = queue;
  m_queueTable = queueTable;
  m_image = image;
  m_band = band;
}

QLineEdit* LiveTuningPage::Edit(int k) const { return ControlAs<QLineEdit>(EditId(k)); }

void LiveTuningPage::ShowValue(int k, int value) {
  Slider(k)->setValue(value);
  ValueRef(k) = value;
  Edit(k)->setText(QString::number(value));
}

void LiveTuningPage::SetUpSliders(int max, int tickInterval) {
  for (int k = 0; k < Pairs(); ++k) {
    QSlider* slider = Slider(k);
    slider->setRange(0, max);
    slider->setTickInterval(tickInterval);
    WatchSliderPaint(slider, [this, k] { OnCustomDraw(k); });
    WatchSliderInput(slider, [this, k] { OnReleasedCapture(k); });
  }
}

void LiveTuningPage::ExchangeSlider(DataExchange& dx, int k) {
  dx.Control(m_sliderIds[static_cast<std::size_t>(k)], m_slider[static_cast<std::size_t>(k)]);
}

// Whenever a slider paints, its edit box takes its position; the other boxes keep what the
// user typed. Refusals are not reported from here: a paint would repeat them endlessly.
void LiveTuningPage::OnCustomDraw(int k) { FollowSlider(Slider(k), EditId(k), ValueRef(k)); }

void LiveTuningPage::OnReleasedCapture(int k) {
  // Take the position where the thumb was let go, even if it has not painted there yet.
  OnCustomDraw(k);
  ComposeLiveCommand(k, Value(k));
}

}  // namespace velmora
