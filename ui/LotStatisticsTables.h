#pragma once

#include <QCoreApplication>
#include <QString>

#include "records/LotData.h"
#include "records/LotStatistics.h"

class QTableWidget;
class QWidget;

namespace velmora {

// The 批次统计 dialog's tables: one row per transmit point with its statistics, and one per
// flagged radio (an amplifier unlike its lot, or the first radio after a station's step).
class LotStatisticsTables {
  Q_DECLARE_TR_FUNCTIONS(LotStatisticsTables)

 public:
  enum PointColumn { kPoint, kMhz, kTarget, kN, kMedian, kMad, kMean, kSigma, kCpk, kTunes };
  enum FlaggedColumn { kSerial, kKind, kWhy };
  // Below this Cpk a point is shown as not capable.
  static constexpr double kCapableCpk = 1.33;

  static QTableWidget* PointTable(QWidget* parent);
  static QTableWidget* FlaggedTable(QWidget* parent);
  static void FillPoints(QTableWidget* table, const LotSummary& summary);
  static void FillFlagged(QTableWidget* table, const LotData& lot, const LotSummary& summary);
  // Radios, first-pass yield, live tunes per point and seconds per radio.
  static QString SummaryText(const LotSummary& summary);
  static QString PointName(const LotPointKey& key, double mhz);
};

}  // namespace velmora
