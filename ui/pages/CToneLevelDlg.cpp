#include "ui/pages/CToneLevelDlg.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSlider>
#include <cmath>

#include "core/CalibrationImage.h"
#include "core/LiveCommandComposer.h"
#include "res/DialogTemplates.h"
#include "res/ResourceIds.h"

namespace velmora {
namespace {

constexpr int kTickFrequency = 2;

using Tone = std::string_view;
constexpr Tone kGroup0[] = {"67.0", "69.3", "71.9", "74.4", "77.0", "79.7", "82.5"};
constexpr Tone kGroup1[] = {"85.4", "88.5", "91.5", "94.8", "97.4", "100.0"};
constexpr Tone kGroup2[] = {"103.5", "107.2", "110.9", "114.8", "118.8"};
constexpr Tone kGroup3[] = {"123.0", "127.3", "131.8", "136.5", "141.3"};
constexpr Tone kGroup4[] = {"146.2", "151.4", "156.7", "159.8", "162.2", "165.5", "167.9"};
constexpr Tone kGroup5[] = {"171.3", "173.8", "177.3", "179.9", "183.5", "186.2", "189.9", "192.8"};
constexpr Tone kGroup6[] = {"196.6", "199.5", "203.5", "206.5", "210.7", "218.1"};
constexpr Tone kGroup7[] = {"225.7", "229.1", "233.6", "241.8", "250.3"};
constexpr std::span<const Tone> kToneGroups[] = {kGroup0, kGroup1, kGroup2, kGroup3,
                                                 kGroup4, kGroup5, kGroup6, kGroup7};
constexpr const char16_t* kCaptions[] = {u"67.0-82.5",   u"85.4-100.0",  u"103.5-118.8",
                                         u"123.0-141.3", u"146.2-167.9", u"171.3-192.8",
                                         u"196.6-218.1", u"225.7-250.3"};

// A typed tone counts only when the whole text is a finite number.
bool ReadsAsNumber(const QString& text) {
  bool ok = false;
  const double number = text.trimmed().toDouble(&ok);
  return ok && std::isfinite(number);
}

}  // namespace

CToneLevelDlg::CToneLevelDlg()
    : LiveTuningPage(res::ToneLevelTemplate(), res::tone_page::kSliders, res::tone_page::kEdits) {}

QString CToneLevelDlg::Caption(int group) {
  return QString::fromUtf16(kCaptions[group >= 0 && group < kGroups ? group : kGroups - 1]);
}

std::span<const std::string_view> CToneLevelDlg::Tones(int group) {
  return kToneGroups[group >= 0 && group < kGroups - 1 ? group : kGroups - 1];
}

void CToneLevelDlg::SetContext(LiveTuningQueue* queue, CalibrationImage* image, int band,
                               int group) {
  SetLiveContext(queue, LiveTuningQueue::ToneGroup(group), image, band);
  m_group = group;
}

bool CToneLevelDlg::OnInitDialog() {
  CPageDlg::OnInitDialog();
  SetUpSliders(layout::kMaxLevel, kTickFrequency);
  FillToneList();
  m_toneList->setCurrentIndex(0);
  LoadFromImage();
  return true;
}

void CToneLevelDlg::DoDataExchange(DataExchange& dx) {
  dx.Control(res::tone_page::kToneList, m_toneList);
  for (int k = 0; k < kColumns; ++k) {
    auto& value = ValueRef(k);
    ExchangeSlider(dx, k);
    if (k == kUnsignedColumn) {
      auto unsignedValue = static_cast<std::uint32_t>(value);
      dx.Text(EditId(k), unsignedValue);
      value = static_cast<std::int32_t>(unsignedValue);
    } else {
      dx.Text(EditId(k), value);
    }
  }
}

void CToneLevelDlg::FillToneList() {
  for (std::string_view tone : Tones(m_group)) {
    m_toneList->addItem(QString::fromUtf8(tone.data(), static_cast<qsizetype>(tone.size())));
  }
}

void CToneLevelDlg::LoadFromImage() {
  for (int k = 0; k < kColumns; ++k) {
    Slider(k)->setValue(0);
    ValueRef(k) = 0;
  }
  UpdateData(false);
}

void CToneLevelDlg::StoreToImage() {
  UpdateData(true);  // the image has no place for tone levels
}

QString CToneLevelDlg::ToneText() const {
  const QString typed = m_toneList->currentText();
  if (ReadsAsNumber(typed)) return typed.trimmed();
  return m_toneList->itemText(m_toneList->currentIndex());
}

void CToneLevelDlg::ComposeLiveCommand(int k, int v) {
  const QByteArray text = ToneText().toUtf8();
  const auto tenths =
      LiveCommandComposer::ToneTextToTenths(std::string_view(text.constData(), text.size()));
  ArmLiveRequest(LiveCommandComposer::ToneCommand(*m_image, m_band, k, tenths.value_or(0), v));
}

}  // namespace velmora
