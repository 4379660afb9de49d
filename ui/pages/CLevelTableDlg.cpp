#include "ui/pages/CLevelTableDlg.h"

#include <QSlider>
#include <algorithm>

#include "core/CalibrationImage.h"
#include "core/LiveCommandComposer.h"
#include "res/DialogTemplates.h"
#include "res/ResourceIds.h"
#include "res/TableNames.h"

namespace velmora {
namespace {

constexpr int kTickFrequency = 2;

}  // namespace

CLevelTableDlg::CLevelTableDlg()
    : LiveTuningPage(res::LevelTableTemplate(), res::level_page::kSliders,
                     res::level_page::kEdits) {}

QString CLevelTableDlg::Caption(int table) {
  return res::TableName(std::clamp(table, 0, layout::kReceiveTuningTable));
}

void CLevelTableDlg::SetContext(LiveTuningQueue* queue, CalibrationImage* image, int band,
                                int table) {
  SetLiveContext(queue, LiveTuningQueue::LevelTable(table), image, band);
  m_table = table;
}

bool CLevelTableDlg::OnInitDialog() {
  CPageDlg::OnInitDialog();
  SetUpSliders(Max(), kTickFrequency);
  LoadFromImage();
  return true;
}

void CLevelTableDlg::DoDataExchange(DataExchange& dx) {
  for (int k = 0; k < kPoints; ++k) {
    ExchangeSlider(dx, k);
    dx.Text(EditId(k), ValueRef(k));
  }
}

void CLevelTableDlg::LoadFromImage() {
  for (int k = 0; k < kPoints; ++k) {
    const std::uint8_t byte = m_image->Level(Point(k));
    Slider(k)->setValue(byte);  // the slider clamps its thumb into 0..max
    ValueRef(k) = byte;         // the edit box shows the byte as read
  }
  UpdateData(false);
}

void CLevelTableDlg::StoreToImage() {
  UpdateData(true);  // a refused box keeps its value; the store goes on regardless
  for (int k = 0; k < kPoints; ++k) {
    std::int32_t& value = ValueRef(k);
    value = std::clamp(value, 0, Max());
    m_image->SetLevel(Point(k), static_cast<std::uint8_t>(value));
  }
}

PointRef CLevelTableDlg::Point(int k) const { return PointRef::From(m_band, m_table, k).value(); }

void CLevelTableDlg::ComposeLiveCommand(int k, int v) {
  const auto command = LiveCommandComposer::LevelCommand(*m_image, Point(k), v);
  if (command) ArmLiveRequest(*command);
}

}  // namespace velmora
