#pragma once

#include <string>
#include <string_view>

namespace velmora::meter {

// Matches an SCPI command header against a pattern in the standard's notation: keywords joined by
// ':', the short form in capitals ("FREQuency" takes FREQ or FREQUENCY, any case), optional
// keywords in brackets ("[SENSe]:FREQuency:[CW]"), a trailing '?' for queries. A numeric suffix
// on a keyword ("SENS1") is accepted and ignored.
class ScpiHeader {
 public:
  static bool Matches(std::string_view header, std::string_view pattern);
};

}  // namespace velmora::meter
