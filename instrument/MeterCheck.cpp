#include "instrument/MeterCheck.h"

#include "instrument/InstrumentLinks.h"
#include "instrument/InstrumentText.h"
#include "instrument/PowerMeter.h"

namespace velmora {

MeterCheck MeterCheck::Identify(const InstrumentSettings& settings) {
  MeterCheck check;
  const auto dialect = MeterDialect::Find(settings.meterDialect, check.error);
  if (!dialect) return check;
  auto link = InstrumentLinks::Make(settings.meterUrl, check.error);
  if (!link) {
    check.error = InstrumentText::Shown(check.error);  // the URL may hold anything
    return check;
  }
  ScpiChannel channel(std::move(link), settings.meterUrl);
  if (!channel.Open()) {
    check.error = channel.error();
    return check;
  }
  PowerMeter meter(channel, *dialect);
  const auto id = meter.Identify();
  if (id) {
    check.identification = *id;
  } else {
    check.error = meter.error();
  }
  return check;
}

}  // namespace velmora
