#include "instrument/ScpiChannel.h"

#include <span>

#include "instrument/InstrumentText.h"
#include "trace/TraceLog.h"

namespace velmora {
namespace {

std::span<const std::uint8_t> Bytes(const QByteArray& bytes) {
  return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
          static_cast<std::size_t>(bytes.size())};
}

QString Seconds(std::chrono::milliseconds timeout) {
  return QString::number(std::chrono::duration<double>(timeout).count(), 'g', 3);
}

}  // namespace

ScpiChannel::ScpiChannel(std::unique_ptr<InstrumentLink> link, QString name)
    : m_link(std::move(link)), m_name(InstrumentText::Shown(name)) {}

ScpiChannel::~ScpiChannel() { Close(); }

bool ScpiChannel::Open() {
  const std::lock_guard lock(m_mutex);
  m_received.clear();
  const bool opened = m_link->Open(m_error);
  if (!opened) m_error = InstrumentText::Shown(m_error);
  TraceLog::Instance().Note(m_name.toStdString() +
                            (opened ? " opened" : " not opened: " + m_error.toStdString()));
  return opened;
}

void ScpiChannel::Close() {
  const std::lock_guard lock(m_mutex);
  m_link->Close();
}

bool ScpiChannel::Send(const QByteArray& command) {
  const std::lock_guard lock(m_mutex);
  return SendLocked(command);
}

bool ScpiChannel::SendLocked(const QByteArray& command) {
  const QByteArray line = command + '\n';
  TraceLog::Instance().Bytes(m_name.toStdString(), TraceLog::Direction::ToInstrument, Bytes(line));
  if (m_link->Write(line, m_error)) return true;
  m_error = InstrumentText::Shown(m_error);
  return false;
}

std::optional<QByteArray> ScpiChannel::TakeLine() {
  const qsizetype end = m_received.indexOf('\n');
  if (end < 0) return std::nullopt;
  QByteArray line = m_received.left(end);
  m_received.remove(0, end + 1);
  if (line.endsWith('\r')) line.chop(1);
  return line;
}

std::optional<QByteArray> ScpiChannel::Query(const QByteArray& command,
                                             std::chrono::milliseconds timeout) {
  const std::lock_guard lock(m_mutex);
  m_received.clear();
  if (!SendLocked(command)) return std::nullopt;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const qsizetype end = m_received.indexOf('\n');
    if (end > kMostAnswerBytes || (end < 0 && m_received.size() > kMostAnswerBytes)) {
      return Fail(QStringLiteral("%1 answered %2 with more than %3 bytes without ending it")
                      .arg(m_name, InstrumentText::Shown(command))
                      .arg(kMostAnswerBytes));
    }
    if (auto line = TakeLine()) return line;
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) break;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
    QString error;
    const QByteArray bytes = m_link->Read(left, error);
    TraceLog::Instance().Bytes(m_name.toStdString(), TraceLog::Direction::FromInstrument,
                               Bytes(bytes));
    m_received += bytes;
    if (!error.isEmpty()) {
      m_error = InstrumentText::Shown(error);
      return std::nullopt;
    }
    if (bytes.isEmpty() && !m_received.contains('\n')) break;
  }
  return Fail(QStringLiteral("%1 did not answer %2 within %3 s")
                  .arg(m_name, InstrumentText::Shown(command), Seconds(timeout)));
}

// Whatever came of the failed query is dropped, here and on its way in.
std::optional<QByteArray> ScpiChannel::Fail(QString error) {
  m_error = std::move(error);
  m_received.clear();
  m_link->Clear();
  return std::nullopt;
}

}  // namespace velmora
