#pragma once

#include <array>

#include "res/DialogTemplate.h"

namespace velmora::res {

inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_MAIN = 102;
inline constexpr int IDD_BAND_PAGE = 130;
inline constexpr int IDD_TONE_LEVEL = 131;
inline constexpr int IDD_LEVEL_TABLE = 132;

inline constexpr int IDOK = 1;

// Level table page: slider and edit box of point k (row k / 2, left column for even k).
inline constexpr std::array<int, 16> kLevelSliderIds = {
    1169, 1170, 1171, 1172, 1173, 1174, 1175, 1176, 1185, 1187, 1189, 1191, 1193, 1195, 1197, 1199};
inline constexpr std::array<int, 16> kLevelEditIds = {
    1177, 1178, 1179, 1180, 1181, 1182, 1183, 1184, 1186, 1188, 1190, 1192, 1194, 1196, 1198, 1200};

// Tone level page: slider and edit box of column k, and the tone list.
inline constexpr int kToneFirstSliderId = 1169;
inline constexpr int kToneFirstEditId = 1177;
inline constexpr int kToneListId = 1205;

// The dialog template with the given id, or nullptr when there is none.
const DialogTemplate* FindDialogTemplate(int id);

const DialogTemplate& AboutBoxTemplate();
const DialogTemplate& MainWindowTemplate();
const DialogTemplate& BandPageTemplate();
const DialogTemplate& ToneLevelTemplate();
const DialogTemplate& LevelTableTemplate();

}  // namespace velmora::res
