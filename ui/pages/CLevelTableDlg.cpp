#include "ui/pages/CLevelTableDlg.h"

#include <QLineEdit>
#include <QSlider>
#include <algorithm>

#include "core/BandCurves.h"
#include "core/CalibrationImage.h"
#include "core/LiveCommandComposer.h"
#include "plot/AlignmentChart.h"
#include "res/DialogTemplates.h"
#include "res/ResourceIds.h"

namespace velmora {
namespace {

constexpr int kTickFrequency = 2;

int EditId(int k) { return res::level_page::kEdits[static_cast<std::size_t>(k)]; }
int SliderId(int k) { return res::level_page::kSliders[static_cast<std::size_t>(k)]; }

}  // namespace

CLevelTableDlg::CLevelTableDlg() : CPageDlg(res::LevelTableTemplate()), m_liveTimer(this) {}

QString CLevelTableDlg::Caption(int table) {
  return AlignmentChart::TableName(std::clamp(table, 0, kReceiveTuningTable));
}

void CLevelTableDlg::SetContext(QObject* requestWindow, CalibrationImage* image, int band,
                                int table) {
  m_image = image;
  m_band = band;
  m_table = table;
  m_liveTimer.SetContext(requestWindow, image);
}

QLineEdit* CLevelTableDlg::Edit(int k) const { return ControlAs<QLineEdit>(EditId(k)); }

bool CLevelTableDlg::OnInitDialog() {
  CPageDlg::OnInitDialog();
  for (int k = 0; k < kPoints; ++k) {
    QSlider* slider = Slider(k);
    slider->setRange(0, Max());
    slider->setTickInterval(kTickFrequency);
    WatchSliderPaint(slider, [this, k] { OnCustomDraw(k); });
    WatchSliderInput(slider, [this, k] { OnReleasedCapture(k); });
  }
  LoadFromImage();
  return true;
}

void CLevelTableDlg::DoDataExchange(DataExchange& dx) {
  for (int k = 0; k < kPoints; ++k) {
    dx.Control(SliderId(k), m_slider[static_cast<std::size_t>(k)]);
    dx.Text(EditId(k), m_value[static_cast<std::size_t>(k)]);
  }
}

void CLevelTableDlg::LoadFromImage() {
  for (int k = 0; k < kPoints; ++k) {
    const std::uint8_t byte = m_image->levelTable(m_band, m_table, k);
    Slider(k)->setValue(byte);                    // the slider clamps its thumb into 0..max
    m_value[static_cast<std::size_t>(k)] = byte;  // the edit box shows the byte as read
  }
  UpdateData(false);
}

void CLevelTableDlg::StoreToImage() {
  UpdateData(true);  // a refused box keeps its value; the store goes on regardless
  for (int k = 0; k < kPoints; ++k) {
    std::int32_t& value = m_value[static_cast<std::size_t>(k)];
    value = std::clamp(value, 0, Max());
    m_image->levelTable(m_band, m_table, k) = static_cast<std::uint8_t>(value);
  }
}

// Whenever a slider paints, its edit box takes its position; the other boxes keep what the
// user typed. Refusals are not reported from here: a paint would repeat them endlessly.
void CLevelTableDlg::OnCustomDraw(int k) {
  FollowSlider(Slider(k), EditId(k), m_value[static_cast<std::size_t>(k)]);
}

void CLevelTableDlg::OnReleasedCapture(int k) {
  // Take the position where the thumb was let go, even if it has not painted there yet.
  OnCustomDraw(k);
  ComposeLiveCommand(k, m_value[static_cast<std::size_t>(k)]);
}

void CLevelTableDlg::ComposeLiveCommand(int k, int v) {
  const auto command = LiveCommandComposer::LevelCommand(*m_image, m_band, m_table, k, v);
  if (command) m_liveTimer.Arm(*command);
}

}  // namespace velmora
