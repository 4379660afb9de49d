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
// on failure with the reason in error() and its kind in fault(): no answer, an answer that is no
// reading, a reading no power can give (negative, infinite, over range), or the instrument's own
// error texts from its error queue. A reading of zero or at the sensor's floor is no fault of the
// meter: nothing reaches the sensor, which an alignment must tell from a broken meter.
class PowerMeter {
 public:
  enum class Fault {
    None,
    NoSignal,  // the reading is zero or at the sensor's floor: the radio is not transmitting
    Meter,     // the meter or its link failed, or answered what no power can be
  };

  static constexpr std::chrono::milliseconds kZeroTimeout{30000};  // zeroing takes seconds
  static constexpr int kMostQueuedErrors = 32;  // a queue that never empties is a fault too
  static constexpr double kOverrange = 9e37;    // SCPI's 9.9E37: no valid measurement
  // The least power a sensor tells from nothing (-60 dBm); readings within kFloorMarginDb of it,
  // once the offset is taken back out, are noise.
  static constexpr double kSensorFloorDbm = -60.0;
  static constexpr double kFloorMarginDb = 0.05;
  static constexpr int kIdentificationFields = 4;

  PowerMeter(ScpiChannel& channel, MeterDialect dialect);

  // The meter's identification: four comma-separated fields of printable text, the first two
  // (maker, model) not empty; any other answer is no meter's and fails.
  std::optional<QString> Identify();
  static bool IsIdentification(const QByteArray& answer);
  // Reset, clear status, measure power in watts with this averaging and offset; then the error
  // queue must be empty.
  bool Setup(const MeterSetup& setup);
  bool SetFrequency(double hertz);  // the sensor's calibration factor follows the frequency
  bool Zero();
  std::optional<double> ReadWatts();

  const QString& error() const { return m_error; }
  Fault fault() const { return m_fault; }
  static double Dbm(double watts);

 private:
  bool Send(const QByteArray& command);
  std::optional<double> Refuse(Fault fault, const QString& why, const QByteArray& answer);
  std::optional<QByteArray> Query(const QByteArray& command,
                                  std::chrono::milliseconds timeout = ScpiChannel::kQueryTimeout);
  bool CheckErrors();

  ScpiChannel& m_channel;
  MeterDialect m_dialect;
  QString m_error;
  Fault m_fault = Fault::None;
  double m_offsetDb = 0;  // the floor is the sensor's, readings include the offset
};

}  // namespace velmora
