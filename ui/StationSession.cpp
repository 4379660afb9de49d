#include "ui/StationSession.h"

#include <QRegularExpression>
#include <chrono>

namespace velmora {
namespace {

// How long the station program may take to start.
constexpr std::chrono::milliseconds kStartLimit{5000};
// How long a session's end waits for the radio under way before the program is stopped.
constexpr std::chrono::milliseconds kStopLimit{120000};

}  // namespace

StationSession::StationSession(Setup setup, QObject* parent)
    : QObject(parent), m_setup(std::move(setup)) {
  connect(&m_process, &QProcess::readyReadStandardOutput, this, &StationSession::OnOutput);
  connect(&m_process, &QProcess::finished, this, &StationSession::OnFinished);
}

StationSession::~StationSession() {
  m_stopping = true;
  if (m_process.state() == QProcess::NotRunning) return;
  m_process.terminate();  // stops between two tries; the radio under way is not written
  m_process.waitForFinished(int(kStopLimit.count()));
}

bool StationSession::Start(QString& error) {
  m_process.start(m_setup.program,
                  {QStringLiteral("station"), m_setup.planPath, QStringLiteral("--meter"),
                   m_setup.meterUrl, QStringLiteral("--port"), QString::number(m_setup.port),
                   QStringLiteral("--steps"), QStringLiteral("--quiet")});
  // A plan, meter or records the station refuses end it soon after: Ended tells why.
  if (m_process.waitForStarted(int(kStartLimit.count()))) return true;
  error = m_process.errorString();
  return false;
}

bool StationSession::Scan(const QString& serial) {
  if (IsBusy() || m_process.state() != QProcess::Running || serial.contains('\n')) return false;
  m_serial = serial;
  m_process.write((serial + '\n').toUtf8());
  return true;
}

void StationSession::Stop() {
  m_stopping = true;
  m_process.closeWriteChannel();
  if (!m_process.waitForFinished(int(kStopLimit.count()))) m_process.kill();
}

StationSession::Result StationSession::ParseResult(const QString& serial, const QString& line) {
  static const QRegularExpression form(
      QStringLiteral("^(PASS|FAIL|STOPPED)  ([0-9.]+) s(?:  (.*))?$"));
  Result result;
  const auto match = line.startsWith(serial + "  ") ? form.match(line.mid(serial.size() + 2))
                                                    : QRegularExpressionMatch();
  if (!match.hasMatch()) {
    result.reason = line;
    return result;
  }
  const QString verdict = match.captured(1);
  result.verdict = verdict == "PASS"   ? Result::Verdict::Pass
                   : verdict == "FAIL" ? Result::Verdict::Fail
                                       : Result::Verdict::Stopped;
  result.seconds = match.captured(2).toDouble();
  result.reason = match.captured(3);
  return result;
}

void StationSession::OnOutput() {
  while (m_process.canReadLine()) {
    const QString line = QString::fromUtf8(m_process.readLine()).chopped(1);
    if (line.startsWith(QStringLiteral("> "))) {
      emit StepStarted(line.mid(2));
    } else if (IsBusy()) {
      const QString serial = std::exchange(m_serial, QString());
      emit RadioFinished(serial, ParseResult(serial, line));
    }
  }
}

void StationSession::OnFinished() {
  if (m_stopping) return;
  m_serial.clear();
  emit Ended(QString::fromUtf8(m_process.readAllStandardError()).trimmed());
}

}  // namespace velmora
