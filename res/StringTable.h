#pragma once

#include <QtGlobal>
#include <string_view>

#include "res/ResourceIds.h"

namespace velmora::res {

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
