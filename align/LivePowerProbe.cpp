#include "align/LivePowerProbe.h"

#include <array>
#include <chrono>

#include "core/LiveCommandComposer.h"
#include "instrument/InstrumentText.h"
#include "trace/TraceLog.h"

namespace velmora {
namespace {

using Steady = std::chrono::steady_clock;
constexpr double kHertzPerMHz = 1e6;

double Seconds(Steady::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

LivePowerProbe::LivePowerProbe(CalibrationImage& image, CTransferJob& job, PowerMeter& meter,
                               const AlignPlan& plan, AlignClock& clock, Listeners listeners)
    : m_image(image),
      m_job(job),
      m_meter(meter),
      m_plan(plan),
      m_clock(clock),
      m_listeners(std::move(listeners)) {}

ProbeReading LivePowerProbe::Measure(const ProbeRequest& request) {
  const bool samePoint =
      request.band == m_last.band && request.table == m_last.table && request.point == m_last.point;
  m_tryNumber = samePoint ? m_tryNumber + 1 : 1;
  m_last = request;
  if (m_listeners.keying) m_listeners.keying(request, m_tryNumber);
  const QDateTime keyed = m_clock.Now();
  const QDateTime counted = m_keyed ? m_countedUntil : keyed;
  const auto start = Steady::now();
  ProbeReading reading;
  TryTiming timing;
  const auto finish = [&] {
    const QDateTime now = m_clock.Now();
    if (!m_keyed && m_job.Outcome().step == TransferOutcome::Step::Live) {
      m_keyed = true;  // even an unacknowledged live command may have keyed it
      m_keyedSince = keyed;
    }
    if (m_keyed) m_countedUntil = now;
    reading.keyedSeconds = static_cast<double>(counted.msecsTo(now)) / 1000.0;
    if (reading.error.isEmpty()) m_timings.push_back(timing);
    if (m_listeners.read) m_listeners.read(request, reading);
    return reading;
  };
  if (!SendLive(request, reading.error)) return finish();
  const auto sent = Steady::now();
  timing.liveSeconds = Seconds(sent - start);
  // The meter is set while the power settles: the settling counts from the acknowledgement.
  if (request.mhz != m_meterMhz) {
    if (!m_meter.SetFrequency(request.mhz * kHertzPerMHz)) {
      reading.error = m_meter.error();
      return finish();
    }
    m_meterMhz = request.mhz;
  }
  const auto settle = std::chrono::milliseconds(m_plan.meter.settleMs);
  const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - sent);
  if (spent < settle) m_clock.Wait(settle - spent, {});  // a try, once begun, is read
  timing.settleSeconds = Seconds(Steady::now() - sent);
  ReadMeter(reading, timing);
  return finish();
}

ProbeReading LivePowerProbe::Reread(const ProbeRequest& request) {
  if (request.band != m_last.band || request.table != m_last.table ||
      request.point != m_last.point || request.level != m_last.level || m_meterMhz == 0)
    return Measure(request);  // nothing of this level is on the air to read
  if (m_listeners.keying) m_listeners.keying(request, ++m_tryNumber);
  // Counted on from the last try: the radio has transmitted all along.
  const QDateTime counted = m_keyed ? m_countedUntil : m_clock.Now();
  ProbeReading reading;
  TryTiming timing;
  ReadMeter(reading, timing);
  const QDateTime now = m_clock.Now();
  if (m_keyed) m_countedUntil = now;
  reading.keyedSeconds = static_cast<double>(counted.msecsTo(now)) / 1000.0;
  if (reading.error.isEmpty()) m_timings.push_back(timing);
  if (m_listeners.read) m_listeners.read(request, reading);
  return reading;
}

// One reading; none at all (the sensor's floor) means nothing was transmitted.
void LivePowerProbe::ReadMeter(ProbeReading& reading, TryTiming& timing) {
  const auto start = Steady::now();
  const auto watts = m_meter.ReadWatts();
  timing.readSeconds = Seconds(Steady::now() - start);
  if (!watts) {
    reading.error = m_meter.error();
    reading.noSignal = m_meter.fault() == PowerMeter::Fault::NoSignal;
    return;
  }
  reading.watts = *watts;
}

void LivePowerProbe::StopTransmitter(const QString& after) {
  if (!m_keyed) return;
  TransmitterStop stop;
  stop.after = after;
  stop.confirmed = SendStop();
  stop.at = m_clock.Now();
  stop.keyedSeconds = static_cast<double>(m_keyedSince.msecsTo(stop.at)) / 1000.0;
  m_keyed = !stop.confirmed;  // an unanswered stop is tried again at the next
  TraceLog::Instance().Note("transmitter stop after " + after.toStdString() +
                            (stop.confirmed ? ": confirmed" : ": not answered"));
  m_stops.push_back(stop);
}

// The read job's own opening exchanges and its first block: the radio ends any transmission.
bool LivePowerProbe::SendStop() {
  CRadioPort* port = m_job.port();
  if (!port) return false;
  std::uint8_t hi = 0, lo = 0;
  int number = 0;
  {
    const auto lock = m_image.Lock();
    hi = m_image.region(0).addrHi, lo = m_image.region(0).addrLo;
    number = m_image.portNumber();
  }
  if (!port->IsOpen() && !port->Open("COM" + std::to_string(number))) return false;
  std::array<std::uint8_t, protocol::kReadBlockSize> block{};
  return port->Handshake(CTransferJob::kFirstPortRetries) && port->Identify() &&
         port->ReadBlock(hi, lo, block);
}

bool LivePowerProbe::SendLive(const ProbeRequest& request, QString& error) {
  const auto at = PointRef::From(request.band, request.table, request.point);
  const auto command =
      at ? LiveCommandComposer::LevelCommand(m_image, *at, request.level) : std::nullopt;
  if (!command) {
    error = QStringLiteral("table %1 is never sent live").arg(request.table);
    return false;
  }
  m_job.RunHere(JobOrder::Live(&m_image, *command));
  const TransferOutcome outcome = m_job.Outcome();
  if (!outcome.succeeded()) {
    m_transferError = QStringLiteral("live tune failed: ") + QString::fromStdString(outcome.detail);
    error = m_transferError;
    return false;
  }
  m_port = QString::fromStdString(outcome.port);
  m_radio = InstrumentText::Shown(QByteArray::fromStdString(m_job.port()->identification()));
  return true;
}

}  // namespace velmora
