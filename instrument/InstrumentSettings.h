#pragma once

#include <QDate>
#include <QSettings>
#include <QString>
#include <memory>

#include "instrument/MeterDialect.h"

namespace velmora {

// The bench instruments as the window and the command-line tool both keep them, among the
// program's settings (SettingsFile), group [instruments].
struct InstrumentSettings {
  // An attenuator's offset in dB the meter is given; outside this no bench attenuator lies.
  static constexpr double kLeastOffsetDb = -100.0;
  static constexpr double kMostOffsetDb = 100.0;

  QString meterUrl;
  QString meterDialect = QString::fromLatin1(MeterDialect::kDefault);
  double attenuatorDb = 0;  // between the radio and the meter's sensor
  QDate calibrationDue{};   // when the meter's calibration runs out; null when none is kept

  // Due before the given day: readings from such a meter no longer count for production.
  bool CalibrationOverdue(const QDate& today) const {
    return calibrationDue.isValid() && calibrationDue < today;
  }

  // The program's one settings file.
  static std::unique_ptr<QSettings> ProgramSettings();
  static InstrumentSettings Load(const QSettings& settings);
  void Save(QSettings& settings) const;
  // Why these settings cannot reach a meter (a NaN or absurd offset), empty when they can.
  QString Fault() const;
  // Why an offset cannot reach a meter, empty when it can.
  static QString OffsetFault(double offsetDb);
};

}  // namespace velmora
