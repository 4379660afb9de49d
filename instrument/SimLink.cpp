#include "instrument/SimLink.h"

namespace velmora {

SimLink::SimLink(meter::SimulatedMeter::PowerSource source, const meter::MeterSettings& settings)
    : m_meter(std::move(source), settings) {}

bool SimLink::Open(QString&) { return true; }

bool SimLink::Write(const QByteArray& bytes, QString&) {
  for (const char c : bytes) {
    if (c != '\n') {
      m_line += c;
      continue;
    }
    const auto answer = m_meter.Handle(m_line.toStdString(), meter::ModelClock::now());
    if (answer) m_answers += QByteArray::fromStdString(*answer) + '\n';
    m_line.clear();
  }
  return true;
}

QByteArray SimLink::Read(std::chrono::milliseconds, QString&) {
  return std::exchange(m_answers, {});
}

}  // namespace velmora
