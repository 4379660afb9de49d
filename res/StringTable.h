#pragma once

#include <QtGlobal>
#include <string_view>

namespace velmora::res {

// String 101: the about entry the main window adds to its window menu.
inline constexpr int IDS_ABOUTBOX = 101;
// Command id of that entry; ids 16 to 31 all open the about box.
inline constexpr int IDM_ABOUTBOX = 0x0010;
// Icon 128: the application icon.
inline constexpr int IDR_MAINFRAME = 128;

// The program's string table (source texts, translated in context "StringTable"); an id without
// a string gives the empty string.
constexpr std::string_view LoadResString(int id) {
  switch (id) {
    case IDS_ABOUTBOX:
      return QT_TRANSLATE_NOOP("StringTable", "关于 Velmora(&A)...");
    default:
      return {};
  }
}

}  // namespace velmora::res
