#pragma once

#include <QCoreApplication>
#include <QString>
#include <array>
#include <cstddef>

#include "core/ImageLayout.h"

namespace velmora::res {

// The level tables' names as their tabs and plots show them: high, middle and low power, receive
// tuning (source texts, translated in context "TableNames").
inline constexpr std::array<const char*, layout::kTablesPerBand> kTableNames = {
    QT_TRANSLATE_NOOP("TableNames", "高功率"), QT_TRANSLATE_NOOP("TableNames", "中功率"),
    QT_TRANSLATE_NOOP("TableNames", "低功率"), QT_TRANSLATE_NOOP("TableNames", "接收电调")};

// The table's name in the user's language.
inline QString TableName(int table) {
  return QCoreApplication::translate("TableNames", kTableNames.at(static_cast<std::size_t>(table)));
}

// A transmit or receive point as every window, command and report numbers it: counted from 0, as
// `live --point` and the JSON report have always done, with its frequency beside it.
inline QString PointName(int point, int mhz) {
  return QCoreApplication::translate("TableNames", "点 %1 (%2 MHz)").arg(point).arg(mhz);
}

}  // namespace velmora::res
