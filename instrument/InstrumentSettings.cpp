#include "instrument/InstrumentSettings.h"

#include <cmath>
#include <limits>

#include "instrument/SettingsFile.h"

namespace velmora {
namespace {

const QString kUrl = QStringLiteral("instruments/meterUrl");
const QString kDialect = QStringLiteral("instruments/meterDialect");
const QString kAttenuator = QStringLiteral("instruments/attenuatorDb");
const QString kCalibrationDue = QStringLiteral("instruments/calibrationDue");

}  // namespace

std::unique_ptr<QSettings> InstrumentSettings::ProgramSettings() { return SettingsFile::Open(); }

InstrumentSettings InstrumentSettings::Load(const QSettings& settings) {
  InstrumentSettings s;
  s.meterUrl = settings.value(kUrl, s.meterUrl).toString();
  s.meterDialect = settings.value(kDialect, s.meterDialect).toString();
  // A stored value that is no number must not pass as 0 dB: it becomes NaN, which Fault() names.
  bool ok = false;
  s.attenuatorDb = settings.value(kAttenuator, s.attenuatorDb).toDouble(&ok);
  if (!ok) s.attenuatorDb = std::numeric_limits<double>::quiet_NaN();
  s.calibrationDue = QDate::fromString(settings.value(kCalibrationDue).toString(), Qt::ISODate);
  return s;
}

void InstrumentSettings::Save(QSettings& settings) const {
  settings.setValue(kUrl, meterUrl);
  settings.setValue(kDialect, meterDialect);
  settings.setValue(kAttenuator, attenuatorDb);
  // A date cleared in the window must not come back from the file.
  if (calibrationDue.isValid())
    settings.setValue(kCalibrationDue, calibrationDue.toString(Qt::ISODate));
  else
    settings.remove(kCalibrationDue);
}

QString InstrumentSettings::OffsetFault(double offsetDb) {
  if (std::isfinite(offsetDb) && offsetDb >= kLeastOffsetDb && offsetDb <= kMostOffsetDb) {
    return {};
  }
  return QStringLiteral("the attenuator's offset %1 dB lies outside %2..%3 dB")
      .arg(offsetDb)
      .arg(kLeastOffsetDb)
      .arg(kMostOffsetDb);
}

QString InstrumentSettings::Fault() const { return OffsetFault(attenuatorDb); }

}  // namespace velmora
