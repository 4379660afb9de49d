#pragma once

#include <array>

// Every resource id of the program, each number defined here once. Templates reuse a control
// number on different pages, so the numbers carry neutral names and each page below names what its
// controls are.
namespace velmora::res {

// Dialog templates.
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_MAIN = 102;
inline constexpr int IDD_BAND_PAGE = 130;
inline constexpr int IDD_TONE_LEVEL = 131;
inline constexpr int IDD_LEVEL_TABLE = 132;

// String 101: the about entry the main window adds to its window menu.
inline constexpr int IDS_ABOUTBOX = 101;
// Command id of that entry; ids 16 to 31 all open the about box.
inline constexpr int IDM_ABOUTBOX = 0x0010;
// Icon 128: the application icon.
inline constexpr int IDR_MAINFRAME = 128;

// Controls.
inline constexpr int IDOK = 1;
inline constexpr int IDC_TAB1 = 1000;
inline constexpr int IDC_TAB2 = 1001;
inline constexpr int IDC_PORT = 1006;
inline constexpr int IDC_IF = 1007;
inline constexpr int IDC_CRYSTAL = 1008;
inline constexpr int IDC_READ = 1163;
inline constexpr int IDC_WRITE = 1164;
inline constexpr int IDC_SAVE = 1165;
inline constexpr int IDC_OPEN = 1166;
inline constexpr int IDC_ITEM1 = 1169;
inline constexpr int IDC_ITEM2 = 1170;
inline constexpr int IDC_ITEM3 = 1171;
inline constexpr int IDC_ITEM4 = 1172;
inline constexpr int IDC_ITEM5 = 1173;
inline constexpr int IDC_ITEM6 = 1174;
inline constexpr int IDC_ITEM7 = 1175;
inline constexpr int IDC_ITEM8 = 1176;
inline constexpr int IDC_ITEM9 = 1177;
inline constexpr int IDC_ITEM10 = 1178;
inline constexpr int IDC_ITEM11 = 1179;
inline constexpr int IDC_ITEM12 = 1180;
inline constexpr int IDC_ITEM13 = 1181;
inline constexpr int IDC_ITEM14 = 1182;
inline constexpr int IDC_ITEM15 = 1183;
inline constexpr int IDC_ITEM16 = 1184;
inline constexpr int IDC_ITEM17 = 1185;
inline constexpr int IDC_ITEM18 = 1186;
inline constexpr int IDC_ITEM19 = 1187;
inline constexpr int IDC_ITEM20 = 1188;
inline constexpr int IDC_ITEM21 = 1189;
inline constexpr int IDC_ITEM22 = 1190;
inline constexpr int IDC_ITEM23 = 1191;
inline constexpr int IDC_ITEM24 = 1192;
inline constexpr int IDC_ITEM25 = 1193;
inline constexpr int IDC_ITEM26 = 1194;
inline constexpr int IDC_ITEM27 = 1195;
inline constexpr int IDC_ITEM28 = 1196;
inline constexpr int IDC_ITEM29 = 1197;
inline constexpr int IDC_ITEM30 = 1198;
inline constexpr int IDC_ITEM31 = 1199;
inline constexpr int IDC_ITEM32 = 1200;
inline constexpr int IDC_PROGRESS = 1204;
inline constexpr int IDC_TONE_LIST = 1205;
inline constexpr int IDC_ALIGN_TABLE = 1206;
inline constexpr int IDC_ALIGN_BAND = 1207;

namespace main_window {
inline constexpr int kTab = IDC_TAB1;
inline constexpr int kRead = IDC_READ, kWrite = IDC_WRITE, kSave = IDC_SAVE, kOpen = IDC_OPEN;
inline constexpr int kPort = IDC_PORT, kIf = IDC_IF, kCrystal = IDC_CRYSTAL;
inline constexpr int kPowerOnText1 = IDC_ITEM9, kPowerOnText2 = IDC_ITEM10;
}  // namespace main_window

namespace band_page {
inline constexpr int kToneTab = IDC_TAB1, kLevelTab = IDC_TAB2, kProgress = IDC_PROGRESS;
inline constexpr int kBaseSlider = IDC_ITEM1, kStepSlider = IDC_ITEM2;
inline constexpr int kRowLabel = IDC_ITEM10, kLeftLabels = IDC_ITEM11, kRightLabels = IDC_ITEM12;
inline constexpr int kBase = IDC_ITEM18, kStep = IDC_ITEM19;
inline constexpr int kRxLow = IDC_ITEM20, kRxHigh = IDC_ITEM21, kTxLow = IDC_ITEM22,
                     kTxHigh = IDC_ITEM17;
// Automatic alignment of the transmit table shown, and of all three of the band.
inline constexpr int kAlignTable = IDC_ALIGN_TABLE, kAlignBand = IDC_ALIGN_BAND;
}  // namespace band_page

// Slider and edit box of column k, and the tone list.
namespace tone_page {
inline constexpr std::array<int, 8> kSliders = {IDC_ITEM1, IDC_ITEM2, IDC_ITEM3, IDC_ITEM4,
                                                IDC_ITEM5, IDC_ITEM6, IDC_ITEM7, IDC_ITEM8};
inline constexpr std::array<int, 8> kEdits = {IDC_ITEM9,  IDC_ITEM10, IDC_ITEM11, IDC_ITEM12,
                                              IDC_ITEM13, IDC_ITEM14, IDC_ITEM15, IDC_ITEM16};
inline constexpr int kToneList = IDC_TONE_LIST;
}  // namespace tone_page

// Slider and edit box of point k (row k / 2, left column for even k).
namespace level_page {
inline constexpr std::array<int, 16> kSliders = {
    IDC_ITEM1,  IDC_ITEM2,  IDC_ITEM3,  IDC_ITEM4,  IDC_ITEM5,  IDC_ITEM6,  IDC_ITEM7,  IDC_ITEM8,
    IDC_ITEM17, IDC_ITEM19, IDC_ITEM21, IDC_ITEM23, IDC_ITEM25, IDC_ITEM27, IDC_ITEM29, IDC_ITEM31};
inline constexpr std::array<int, 16> kEdits = {
    IDC_ITEM9,  IDC_ITEM10, IDC_ITEM11, IDC_ITEM12, IDC_ITEM13, IDC_ITEM14, IDC_ITEM15, IDC_ITEM16,
    IDC_ITEM18, IDC_ITEM20, IDC_ITEM22, IDC_ITEM24, IDC_ITEM26, IDC_ITEM28, IDC_ITEM30, IDC_ITEM32};
}  // namespace level_page

}  // namespace velmora::res
