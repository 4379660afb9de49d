#pragma once

#include <QString>
#include <optional>

#include "instrument/MeterDialect.h"
#include "instrument/ScpiChannel.h"

namespace velmora {

// How the meter is set up before it measures.
struct MeterSetup {
  int averaging = 1;
  double offsetDb = 0;  // the attenuator between the radio and the sensor
};

// An RF power meter on a channel, speaking its dialect. Every step returns false (or nothing)
// on failure with the reason in error(): no answer, an answer that is no reading, an over-range
// reading, or the instrument's own error texts from its error queue.
class PowerMeter {
 public:
  static constexpr std::chrono::milliseconds kZeroTimeout{30000};  // zeroing takes seconds
  static constexpr int kMostQueuedErrors = 32;  // a queue that never empties is a fault too
  static constexpr double kOverrange = 9e37;    // SCPI's 9.9E37: no valid measurement

  PowerMeter(ScpiChannel& channel, MeterDialect dialect);

  std::optional<QString> identify();
  // Reset, clear status, measure power in watts with this averaging and offset; then the error
  // queue must be empty.
  bool setup(const MeterSetup& setup);
  bool setFrequency(double hertz);  // the sensor's calibration factor follows the frequency
  bool zero();
  std::optional<double> readWatts();

  const QString& error() const { return m_error; }
  static double Dbm(double watts);

 private:
  bool send(const QByteArray& command);
  std::optional<QByteArray> query(const QByteArray& command,
                                  std::chrono::milliseconds timeout = ScpiChannel::kQueryTimeout);
  bool checkErrors();

  ScpiChannel& m_channel;
  MeterDialect m_dialect;
  QString m_error;
};

}  // namespace velmora
