#include "res/DialogTemplates.h"

#include <QtGlobal>
#include <array>

#include "core/CodeTables.h"

namespace velmora::res {
namespace {

using K = ControlKind;

constexpr std::uint32_t kSliderStyle = kTicksBothSides | kTabStop;
constexpr std::uint32_t kPageEditStyle = kBorder | kAutoHScroll | kTabStop;
constexpr std::uint32_t kCommandButtonStyle = kTabStop | kStaticEdge | kClientEdge;
constexpr std::uint32_t kHostTabStyle = kToolTips | kModalFrame | kTabStop;

// ---- about box -------------------------------------------------------------------------
constexpr ControlTemplate kAboutControls[] = {
    {kNoId, K::Icon, {11, 17, 20, 20}, "", kNone, true},
    {kNoId,
     K::Static,
     {40, 10, 119, 8},
     QT_TRANSLATE_NOOP("DialogTemplates", "Velmora 1.0 版"),
     kNoPrefix | kGroup,
     true},
    {kNoId,
     K::Static,
     {40, 25, 119, 8},
     QT_TRANSLATE_NOOP("DialogTemplates", "版权所有 (C) 2026"),
     kGroup,
     true},
    {IDOK,
     K::PushButton,
     {178, 7, 50, 14},
     QT_TRANSLATE_NOOP("DialogTemplates", "确定"),
     kDefaultButton | kTabStop | kGroup,
     true},
};

// ---- main window -----------------------------------------------------------------------
constexpr std::array<std::string_view, 8> kPortItems = {"COM1", "COM2", "COM3", "COM4",
                                                        "COM5", "COM6", "COM7", "COM8"};
template <std::size_t N>
constexpr std::array<std::string_view, N> Texts(const std::array<CodeEntry, N>& table) {
  std::array<std::string_view, N> texts{};
  for (std::size_t i = 0; i < N; ++i) texts[i] = table[i].text;
  return texts;
}
constexpr auto kIfItems = Texts(kIfTable);
constexpr auto kCrystalItems = Texts(kCrystalTable);

constexpr ControlTemplate kMainControls[] = {
    {main_window::kTab, K::TabControl, {0, 0, 501, 307}, "", kTabStop, true},
    {main_window::kRead,
     K::PushButton,
     {290, 309, 45, 28},
     QT_TRANSLATE_NOOP("DialogTemplates", "读出"),
     kCommandButtonStyle,
     true},
    {main_window::kWrite,
     K::PushButton,
     {346, 309, 45, 28},
     QT_TRANSLATE_NOOP("DialogTemplates", "写入"),
     kCommandButtonStyle,
     true},
    {main_window::kSave,
     K::PushButton,
     {402, 309, 45, 28},
     QT_TRANSLATE_NOOP("DialogTemplates", "保存"),
     kCommandButtonStyle,
     true},
    {main_window::kOpen,
     K::PushButton,
     {458, 309, 45, 28},
     QT_TRANSLATE_NOOP("DialogTemplates", "打开"),
     kCommandButtonStyle,
     true},
    {kNoId,
     K::Static,
     {222, 314, 22, 13},
     QT_TRANSLATE_NOOP("DialogTemplates", "端口:"),
     kNone,
     true},
    {main_window::kPort,
     K::ComboBox,
     {246, 313, 39, 58},
     "",
     kDropDownList | kSort | kVScroll | kTabStop,
     true,
     kPortItems},
    {kNoId,
     K::Static,
     {7, 334, 22, 13},
     QT_TRANSLATE_NOOP("DialogTemplates", "中频:"),
     kNone,
     false},
    {main_window::kIf,
     K::ComboBox,
     {35, 332, 69, 58},
     "",
     kDropDownList | kVScroll | kTabStop,
     false,
     kIfItems},
    {kNoId,
     K::Static,
     {7, 318, 37, 13},
     QT_TRANSLATE_NOOP("DialogTemplates", "参考晶振:"),
     kNone,
     false},
    {main_window::kCrystal,
     K::ComboBox,
     {36, 313, 69, 58},
     "",
     kDropDownList | kVScroll | kTabStop,
     false,
     kCrystalItems},
    {IDOK, K::PushButton, {229, 359, 17, 9}, "OK", kDefaultButton | kTabStop, false},
    {kNoId,
     K::Static,
     {116, 322, 32, 8},
     QT_TRANSLATE_NOOP("DialogTemplates", "开机显示"),
     kNone,
     true},
    {main_window::kPowerOnText1,
     K::Edit,
     {151, 311, 40, 14},
     "",
     kBorder | kAutoHScroll | kTabStop,
     true},
    {main_window::kPowerOnText2,
     K::Edit,
     {151, 327, 40, 14},
     "",
     kBorder | kAutoHScroll | kTabStop,
     true},
};

// ---- band page -------------------------------------------------------------------------
constexpr ControlTemplate kBandControls[] = {
    {kNoId,
     K::Static,
     {209, 6, 24, 8},
     QT_TRANSLATE_NOOP("DialogTemplates", "频段："),
     kNone,
     true},
    {band_page::kBaseSlider, K::Slider, {236, 4, 100, 15}, "", kSliderStyle, true},
    {band_page::kBase, K::Edit, {336, 3, 19, 12}, "", kReadOnly | kBorder | kAutoHScroll, true},
    {kNoId,
     K::Static,
     {209, 24, 24, 8},
     QT_TRANSLATE_NOOP("DialogTemplates", "步进："),
     kNone,
     true},
    {band_page::kStepSlider, K::Slider, {237, 22, 100, 15}, "", kSliderStyle, true},
    {band_page::kStep, K::Edit, {337, 22, 19, 12}, "", kReadOnly | kBorder | kAutoHScroll, true},
    // In the room below the frequency plan, beside the level tables they align.
    {band_page::kAlignTable,
     K::PushButton,
     {209, 50, 60, 16},
     QT_TRANSLATE_NOOP("DialogTemplates", "自动校准"),
     kTabStop,
     true},
    {band_page::kAlignBand,
     K::PushButton,
     {275, 50, 80, 16},
     QT_TRANSLATE_NOOP("DialogTemplates", "整段自动校准"),
     kTabStop,
     true},
    {kNoId,
     K::Static,
     {49, 9, 38, 8},
     QT_TRANSLATE_NOOP("DialogTemplates", "接收频率："),
     kNone,
     true},
    {band_page::kRxLow, K::Edit, {87, 7, 28, 12}, "", kPageEditStyle, true},
    {kNoId, K::Static, {115, 11, 8, 8}, "~", kNone, true},
    {band_page::kRxHigh, K::Edit, {123, 7, 28, 12}, "", kPageEditStyle, true},
    {kNoId,
     K::Static,
     {49, 26, 38, 8},
     QT_TRANSLATE_NOOP("DialogTemplates", "发射频率："),
     kNone,
     true},
    {band_page::kTxLow, K::Edit, {87, 24, 28, 12}, "", kPageEditStyle, true},
    {kNoId, K::Static, {115, 28, 8, 8}, "~", kNone, true},
    {band_page::kTxHigh, K::Edit, {123, 24, 28, 12}, "", kPageEditStyle, true},
    {band_page::kProgress, K::ProgressBar, {179, 7, 7, 67}, "", kBorder, true},
    {band_page::kLevelTab, K::TabControl, {17, 88, 363, 150}, "", kHostTabStyle, true},
    {band_page::kLeftLabels, K::Static, {0, 106, 17, 132}, "360 420", kNone, true},
    {band_page::kRightLabels, K::Static, {380, 103, 17, 132}, "370 430", kNone, true},
    {band_page::kRowLabel, K::Static, {3, 71, 199, 8}, "136  142", kNone, false},
    {band_page::kToneTab, K::TabControl, {166, 150, 202, 71}, "", kHostTabStyle, false},
    {IDOK, K::PushButton, {322, 58, 22, 14}, "ok", kDefaultButton | kTabStop, false},
};

// ---- tone level page -------------------------------------------------------------------
constexpr ControlTemplate kToneControls[] = {
    {tone_page::kSliders[0], K::Slider, {4, 0, 15, 48}, "", kVertical | kSliderStyle, true},
    {tone_page::kSliders[1], K::Slider, {25, 0, 15, 48}, "", kVertical | kSliderStyle, true},
    {tone_page::kSliders[2], K::Slider, {46, 0, 15, 48}, "", kVertical | kSliderStyle, true},
    {tone_page::kSliders[3], K::Slider, {67, 0, 15, 48}, "", kVertical | kSliderStyle, true},
    {tone_page::kSliders[4], K::Slider, {88, 0, 15, 48}, "", kVertical | kSliderStyle, true},
    {tone_page::kSliders[5], K::Slider, {109, 0, 15, 48}, "", kVertical | kSliderStyle, true},
    {tone_page::kSliders[6], K::Slider, {130, 0, 15, 48}, "", kVertical | kSliderStyle, true},
    {tone_page::kSliders[7], K::Slider, {151, 0, 15, 48}, "", kVertical | kSliderStyle, true},
    {tone_page::kEdits[0], K::Edit, {7, 47, 14, 12}, "", kPageEditStyle, true},
    {tone_page::kEdits[1], K::Edit, {29, 47, 14, 12}, "", kPageEditStyle, true},
    {tone_page::kEdits[2], K::Edit, {50, 47, 14, 12}, "", kPageEditStyle, true},
    {tone_page::kEdits[3], K::Edit, {71, 47, 14, 12}, "", kPageEditStyle, true},
    {tone_page::kEdits[4], K::Edit, {92, 47, 14, 12}, "", kPageEditStyle, true},
    {tone_page::kEdits[5], K::Edit, {113, 47, 14, 12}, "", kPageEditStyle, true},
    {tone_page::kEdits[6], K::Edit, {134, 47, 14, 12}, "", kPageEditStyle, true},
    {tone_page::kEdits[7], K::Edit, {155, 47, 14, 12}, "", kPageEditStyle, true},
    {tone_page::kToneList,
     K::ComboBox,
     {167, 4, 32, 153},
     "",
     kDropDown | kVScroll | kTabStop,
     true},
    {IDOK, K::PushButton, {166, 80, 31, 14}, "OK", kDefaultButton | kTabStop, false},
};

// ---- level table page ------------------------------------------------------------------
// Row r holds points 2r (left column) and 2r + 1 (right column).
constexpr std::array<ControlTemplate, 33> LevelControls() {
  std::array<ControlTemplate, 33> controls{};
  for (int k = 0; k < 16; ++k) {
    const int row = k / 2;
    const bool right = (k % 2) == 1;
    controls[2 * k] = {level_page::kSliders[k],
                       K::Slider,
                       {right ? 183 : 0, 17 * row, 158, 16},
                       "",
                       kSliderStyle,
                       true};
    controls[2 * k + 1] = {
        level_page::kEdits[k], K::Edit, {right ? 341 : 158, 17 * row + 3, 16, 12}, "",
        kPageEditStyle,        true};
  }
  controls[32] = {IDOK, K::PushButton, {280, 146, 30, 14}, "OK", kDefaultButton | kTabStop, false};
  return controls;
}
constexpr auto kLevelControls = LevelControls();

constexpr std::string_view kSimSun = "宋体";

constexpr DialogTemplate kAbout{
    IDD_ABOUTBOX,  235, 55, kSimSun, 9, false, QT_TRANSLATE_NOOP("DialogTemplates", "关于 Velmora"),
    kAboutControls};
constexpr DialogTemplate kMain{IDD_MAIN,
                               518,
                               374,
                               kSimSun,
                               12,
                               false,
                               QT_TRANSLATE_NOOP("DialogTemplates", "UV电调测试软件"),
                               kMainControls};
constexpr DialogTemplate kBand{IDD_BAND_PAGE, 417, 243, kSimSun, 14, true, "", kBandControls};
constexpr DialogTemplate kTone{IDD_TONE_LEVEL, 367, 239, kSimSun, 14, true, "", kToneControls};
constexpr DialogTemplate kLevel{IDD_LEVEL_TABLE, 370, 239, kSimSun, 14, true, "", kLevelControls};

}  // namespace

const DialogTemplate& AboutBoxTemplate() { return kAbout; }
const DialogTemplate& MainWindowTemplate() { return kMain; }
const DialogTemplate& BandPageTemplate() { return kBand; }
const DialogTemplate& ToneLevelTemplate() { return kTone; }
const DialogTemplate& LevelTableTemplate() { return kLevel; }

const DialogTemplate* FindDialogTemplate(int id) {
  for (const DialogTemplate* t : {&kAbout, &kMain, &kBand, &kTone, &kLevel}) {
    if (t->id == id) return t;
  }
  return nullptr;
}

}  // namespace velmora::res
