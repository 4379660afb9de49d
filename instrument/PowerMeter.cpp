#include "instrument/PowerMeter.h"

#include <QStringList>
#include <cmath>

#include "instrument/InstrumentText.h"

namespace velmora {

PowerMeter::PowerMeter(ScpiChannel& channel, MeterDialect dialect)
    : m_channel(channel), m_dialect(std::move(dialect)) {}

double PowerMeter::Dbm(double watts) { return 10.0 * std::log10(watts * 1000.0); }

bool PowerMeter::Send(const QByteArray& command) {
  m_fault = Fault::None;
  if (m_channel.Send(command)) return true;
  m_error = m_channel.error();
  m_fault = Fault::Meter;
  return false;
}

std::optional<QByteArray> PowerMeter::Query(const QByteArray& command,
                                            std::chrono::milliseconds timeout) {
  m_fault = Fault::None;
  auto answer = m_channel.Query(command, timeout);
  if (!answer) {
    m_error = m_channel.error();
    m_fault = Fault::Meter;
  }
  return answer;
}

bool PowerMeter::IsIdentification(const QByteArray& answer) {
  const QList<QByteArray> fields = answer.split(',');
  return fields.size() == kIdentificationFields && InstrumentText::IsPrintable(answer) &&
         !fields[0].trimmed().isEmpty() && !fields[1].trimmed().isEmpty();
}

std::optional<QString> PowerMeter::Identify() {
  const auto answer = Query(m_dialect.identify);
  if (!answer) return std::nullopt;
  const QByteArray text = answer->trimmed();
  if (IsIdentification(text)) return QString::fromLatin1(text);
  m_fault = Fault::Meter;
  m_error = QStringLiteral(
                "%1 answered %2 with \"%3\", not a meter's identification "
                "(maker,model,serial,firmware)")
                .arg(m_channel.name(), InstrumentText::Shown(m_dialect.identify),
                     InstrumentText::Shown(text));
  return std::nullopt;
}

// Reads the queue until it says 0 ("0,"No error""); any other entry is the meter's own complaint.
bool PowerMeter::CheckErrors() {
  QStringList errors;
  for (int i = 0; i < kMostQueuedErrors; ++i) {
    const auto answer = Query(m_dialect.nextError);
    if (!answer) return false;
    const QByteArray entry = answer->trimmed();
    bool ok = false;
    const qsizetype comma = entry.indexOf(',');
    const int code = (comma < 0 ? entry : entry.left(comma)).trimmed().toInt(&ok);
    if (ok && code == 0) break;
    errors << InstrumentText::Shown(entry);
  }
  if (errors.isEmpty()) return true;
  m_error =
      QStringLiteral("%1 reports: %2").arg(m_channel.name(), errors.join(QStringLiteral("; ")));
  m_fault = Fault::Meter;
  return false;
}

bool PowerMeter::Setup(const MeterSetup& setup) {
  m_offsetDb = setup.offsetDb;
  const QByteArray commands[] = {
      m_dialect.reset,
      m_dialect.clearStatus,
      m_dialect.configure,
      m_dialect.unitsWatts,
      MeterDialect::Fill(m_dialect.averaging, "count", QByteArray::number(setup.averaging)),
      MeterDialect::Fill(m_dialect.offset, "db", QByteArray::number(setup.offsetDb, 'f', 2))};
  for (const QByteArray& command : commands) {
    if (!Send(command)) return false;
  }
  return CheckErrors();
}

bool PowerMeter::SetFrequency(double hertz) {
  return Send(MeterDialect::Fill(m_dialect.frequency, "hz", QByteArray::number(hertz, 'f', 0))) &&
         CheckErrors();
}

bool PowerMeter::Zero() {
  return Send(m_dialect.zero) && Query(m_dialect.waitDone, kZeroTimeout) && CheckErrors();
}

std::optional<double> PowerMeter::Refuse(Fault fault, const QString& why,
                                         const QByteArray& answer) {
  m_fault = fault;
  m_error = QStringLiteral("%1 answered %2 with \"%3\": %4")
                .arg(m_channel.name(), InstrumentText::Shown(m_dialect.read),
                     InstrumentText::Shown(answer), why);
  return std::nullopt;
}

std::optional<double> PowerMeter::ReadWatts() {
  const auto answer = Query(m_dialect.read);
  if (!answer) return std::nullopt;
  const QByteArray text = answer->trimmed();
  bool ok = false;
  const double watts = text.toDouble(&ok);
  if (!ok || std::isnan(watts)) return Refuse(Fault::Meter, QStringLiteral("not a reading"), text);
  if (std::abs(watts) >= kOverrange || std::isinf(watts)) {
    return Refuse(Fault::Meter, QStringLiteral("over range, outside the sensor's range"), text);
  }
  if (watts < 0) return Refuse(Fault::Meter, QStringLiteral("no power is negative"), text);
  if (watts == 0 || Dbm(watts) - m_offsetDb <= kSensorFloorDbm + kFloorMarginDb) {
    return Refuse(Fault::NoSignal,
                  QStringLiteral("at the sensor's floor (%1 dBm): no signal").arg(kSensorFloorDbm),
                  text);
  }
  return watts;
}

}  // namespace velmora
