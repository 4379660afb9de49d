#pragma once

#include <QDate>
#include <QSettings>
#include <QString>
#include <memory>

#include "instrument/MeterDialect.h"

namespace velmora {

// The bench instruments as the window and the command-line tool both keep them, among the
// program's settings: ~/.config/Velmora/Velmora.conf, group [instruments].
struct InstrumentSettings {
  QString meterUrl;
  QString meterDialect = QString::fromLatin1(MeterDialect::kDefault);
  double attenuatorDb = 0;  // between the radio and the meter's sensor
  QDate calibrationDue{};   // when the meter's calibration runs out; null when none is kept

  // Due before the given day: readings from such a meter no longer count for production.
  bool CalibrationOverdue(const QDate& today) const {
    return calibrationDue.isValid() && calibrationDue < today;
  }

  // The program's settings, under the application's name for organisation and program alike.
  static std::unique_ptr<QSettings> ProgramSettings();
  static InstrumentSettings Load(const QSettings& settings);
  void Save(QSettings& settings) const;
};

}  // namespace velmora
