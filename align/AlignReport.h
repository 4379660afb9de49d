#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <vector>

#include "align/PointResult.h"

namespace velmora {

// The radio told to stop transmitting (a read of one block): after a table, at the end, on a
// cancel or a fault. keyedSeconds: from the first live command since the last stop to this one.
struct TransmitterStop {
  QString after;  // "A0" ... "B2", or "end"
  QDateTime at;
  double keyedSeconds = 0;
  bool confirmed = false;  // the radio answered the read
};

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
  QString outcome;     // the run's outcome ("aligned", "cancelled", ...), the printed first line's
  QString error;       // why a run ended early, such as a meter that failed at its setup
  std::vector<PointResult> points;
  std::vector<TransmitterStop> stops;

  // True only when there were points and every one is aligned.
  bool AllAligned() const;
  QByteArray ToJson() const;
  // One row per point after a header row, like the `report` command's.
  QByteArray ToCsv() const;
};

}  // namespace velmora
