#pragma once

#include <QString>
#include <functional>
#include <vector>

#include "align/AlignClock.h"
#include "align/AlignOutcome.h"
#include "align/AlignPlan.h"
#include "align/PowerProbe.h"
#include "core/CalibrationImage.h"
#include "instrument/PowerMeter.h"
#include "transfer/CTransferJob.h"

namespace velmora {

// The bench behind the search: each try composes the level's command exactly as the level-table
// page does and hands it to one live job run on the calling thread (the window's live-tune wire
// sequence), lets the power settle for the plan's time and reads the meter once. The meter's
// frequency follows the point, set while the power settles.
class LivePowerProbe : public PowerProbe {
 public:
  // Told before each try is keyed (with its number within the point) and after it was read.
  struct Listeners {
    std::function<void(const ProbeRequest&, int tryNumber)> keying;
    std::function<void(const ProbeRequest&, const ProbeReading&)> read;
  };

  // The job, image and meter belong to the calling thread, which runs every Measure.
  LivePowerProbe(CalibrationImage& image, CTransferJob& job, PowerMeter& meter,
                 const AlignPlan& plan, AlignClock& clock, Listeners listeners = {});

  ProbeReading Measure(const ProbeRequest& request) override;
  // The meter read again at the frequency of the last try; the radio is not touched.
  ProbeReading Reread(const ProbeRequest& request) override;
  // Unkeys the radio with an exchange it already answers (a read of one block) when a live tune
  // may have keyed it since the last stop, and records the stop. after: "A0" ... or "end".
  void StopTransmitter(const QString& after);

  // The last live job that failed, or nothing when every one reached the radio.
  const QString& transferError() const { return m_transferError; }
  const QString& port() const { return m_port; }
  const QString& radio() const { return m_radio; }  // the radio's identification
  const std::vector<TryTiming>& timings() const { return m_timings; }
  const std::vector<TransmitterStop>& stops() const { return m_stops; }

 private:
  bool SendLive(const ProbeRequest& request, QString& error);
  void ReadMeter(ProbeReading& reading, TryTiming& timing);
  bool SendStop();

  CalibrationImage& m_image;
  CTransferJob& m_job;
  PowerMeter& m_meter;
  const AlignPlan& m_plan;
  AlignClock& m_clock;
  Listeners m_listeners;
  ProbeRequest m_last{-1, -1, -1, 0, 0};
  int m_tryNumber = 0;
  int m_meterMhz = 0;  // the frequency the meter was set to last; 0: none yet
  QString m_transferError;
  QString m_port;
  QString m_radio;
  std::vector<TryTiming> m_timings;
  // The radio may transmit from a live tune that reached it until a confirmed stop; the keyed
  // time counts all of it, the pauses between tries included.
  bool m_keyed = false;
  QDateTime m_keyedSince;
  QDateTime m_countedUntil;
  std::vector<TransmitterStop> m_stops;
};

}  // namespace velmora
