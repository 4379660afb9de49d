#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <vector>

#include "align/PointResult.h"

namespace velmora {

// What an alignment leaves on record: the run (program, plan, radio, meter, times, backup)
// and every point with every try. Apart from the times, the same run gives the same report.
struct AlignReport {
  QString program;  // name and version
  QString planName;
  QString planSha256;
  QString port;
  QString radio;  // the radio's identification
  QString meterUrl;
  QString meter;  // the meter's identification
  double meterOffsetDb = 0;
  QDate meterCalibrationDue;  // null: none kept with the meter's settings
  QDateTime start;
  QDateTime end;
  QString backupPath;  // empty: none written
  std::vector<PointResult> points;

  bool AllAligned() const;
  QByteArray ToJson() const;
  // One row per point after a header row, like the `report` command's.
  QByteArray ToCsv() const;
};

}  // namespace velmora
