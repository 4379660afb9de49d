#include "instrument/InstrumentSettings.h"

#include <QCoreApplication>

namespace velmora {
namespace {

const QString kUrl = QStringLiteral("instruments/meterUrl");
const QString kDialect = QStringLiteral("instruments/meterDialect");
const QString kAttenuator = QStringLiteral("instruments/attenuatorDb");
const QString kCalibrationDue = QStringLiteral("instruments/calibrationDue");

}  // namespace

std::unique_ptr<QSettings> InstrumentSettings::ProgramSettings() {
  const QString name = QCoreApplication::applicationName();
  return std::make_unique<QSettings>(name, name);
}

InstrumentSettings InstrumentSettings::Load(const QSettings& settings) {
  InstrumentSettings s;
  s.meterUrl = settings.value(kUrl, s.meterUrl).toString();
  s.meterDialect = settings.value(kDialect, s.meterDialect).toString();
  s.attenuatorDb = settings.value(kAttenuator, s.attenuatorDb).toDouble();
  s.calibrationDue = QDate::fromString(settings.value(kCalibrationDue).toString(), Qt::ISODate);
  return s;
}

void InstrumentSettings::Save(QSettings& settings) const {
  settings.setValue(kUrl, meterUrl);
  settings.setValue(kDialect, meterDialect);
  settings.setValue(kAttenuator, attenuatorDb);
  if (calibrationDue.isValid())
    settings.setValue(kCalibrationDue, calibrationDue.toString(Qt::ISODate));
}

}  // namespace velmora
