#include "instrument/PowerMeter.h"

#include <QStringList>
#include <cmath>

namespace velmora {

PowerMeter::PowerMeter(ScpiChannel& channel, MeterDialect dialect)
    : m_channel(channel), m_dialect(std::move(dialect)) {}

double PowerMeter::Dbm(double watts) { return 10.0 * std::log10(watts * 1000.0); }

bool PowerMeter::send(const QByteArray& command) {
  if (m_channel.send(command)) return true;
  m_error = m_channel.error();
  return false;
}

std::optional<QByteArray> PowerMeter::query(const QByteArray& command,
                                            std::chrono::milliseconds timeout) {
  auto answer = m_channel.query(command, timeout);
  if (!answer) m_error = m_channel.error();
  return answer;
}

std::optional<QString> PowerMeter::identify() {
  const auto answer = query(m_dialect.identify);
  if (!answer) return std::nullopt;
  return QString::fromLatin1(answer->trimmed());
}

// Reads the queue until it says 0 ("0,"No error""); any other entry is the meter's own complaint.
bool PowerMeter::checkErrors() {
  QStringList errors;
  for (int i = 0; i < kMostQueuedErrors; ++i) {
    const auto answer = query(m_dialect.nextError);
    if (!answer) return false;
    const QByteArray entry = answer->trimmed();
    bool ok = false;
    const qsizetype comma = entry.indexOf(',');
    const int code = (comma < 0 ? entry : entry.left(comma)).trimmed().toInt(&ok);
    if (ok && code == 0) break;
    errors << QString::fromLatin1(entry);
  }
  if (errors.isEmpty()) return true;
  m_error =
      QStringLiteral("%1 reports: %2").arg(m_channel.name(), errors.join(QStringLiteral("; ")));
  return false;
}

bool PowerMeter::setup(const MeterSetup& setup) {
  const QByteArray commands[] = {
      m_dialect.reset,
      m_dialect.clearStatus,
      m_dialect.configure,
      m_dialect.unitsWatts,
      MeterDialect::Fill(m_dialect.averaging, "count", QByteArray::number(setup.averaging)),
      MeterDialect::Fill(m_dialect.offset, "db", QByteArray::number(setup.offsetDb, 'f', 2))};
  for (const QByteArray& command : commands) {
    if (!send(command)) return false;
  }
  return checkErrors();
}

bool PowerMeter::setFrequency(double hertz) {
  return send(MeterDialect::Fill(m_dialect.frequency, "hz", QByteArray::number(hertz, 'f', 0))) &&
         checkErrors();
}

bool PowerMeter::zero() {
  return send(m_dialect.zero) && query(m_dialect.waitDone, kZeroTimeout) && checkErrors();
}

std::optional<double> PowerMeter::readWatts() {
  const auto answer = query(m_dialect.read);
  if (!answer) return std::nullopt;
  bool ok = false;
  const double watts = answer->trimmed().toDouble(&ok);
  if (!ok) {
    m_error = QStringLiteral("%1 answered %2 with \"%3\", not a reading")
                  .arg(m_channel.name(), QString::fromLatin1(m_dialect.read),
                       QString::fromLatin1(answer->trimmed()));
    return std::nullopt;
  }
  if (!std::isfinite(watts) || std::abs(watts) >= kOverrange) {
    m_error = QStringLiteral("%1 reading over range (%2): the power is outside the sensor's range")
                  .arg(m_channel.name(), QString::fromLatin1(answer->trimmed()));
    return std::nullopt;
  }
  return watts;
}

}  // namespace velmora
