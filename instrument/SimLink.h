#pragma once

#include <memory>

#include "instrument/InstrumentLink.h"
#include "model/SimulatedMeter.h"

namespace velmora {

// An in-process simulated power meter ("sim:"), whose sensor sees what the power source gives;
// answers are ready at once, so a silent meter times out without waiting.
class SimLink : public InstrumentLink {
 public:
  SimLink(meter::SimulatedMeter::PowerSource source, const meter::MeterSettings& settings);

  bool Open(QString& error) override;
  void Close() override {}
  bool Write(const QByteArray& bytes, QString& error) override;
  QByteArray Read(std::chrono::milliseconds timeout, QString& error) override;
  void Clear() override { m_answers.clear(); }

 private:
  meter::SimulatedMeter m_meter;
  QByteArray m_line;     // the command being received
  QByteArray m_answers;  // answers not yet read
};

}  // namespace velmora
