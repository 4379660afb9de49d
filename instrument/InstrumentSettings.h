#pragma once

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

  // The program's settings, under the application's name for organisation and program alike.
  static std::unique_ptr<QSettings> ProgramSettings();
  static InstrumentSettings Load(const QSettings& settings);
  void Save(QSettings& settings) const;
};

}  // namespace velmora
