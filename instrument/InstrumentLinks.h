#pragma once

#include <QString>
#include <memory>

#include "instrument/InstrumentLink.h"

namespace velmora {

// Makes the link a URL names:
//   tcp://HOST:PORT               SCPI over a raw socket (also tcp:HOST:PORT)
//   serial:///dev/ttyUSB1?baud=N  SCPI over a serial line, 9600 baud unless told
//   usbtmc:///dev/usbtmc0         the Linux USBTMC character device
//   sim:[?watts=W]                an in-process simulated meter whose sensor sees W watts (1 W)
class InstrumentLinks {
 public:
  static constexpr qint32 kDefaultBaud = 9600;
  static constexpr double kSimWatts = 1.0;

  // Nothing, with the reason in error, when the URL names no link this program knows. Sockets
  // and serial ports belong to the thread that makes them: make the link where it is used.
  static std::unique_ptr<InstrumentLink> Make(const QString& url, QString& error);
};

}  // namespace velmora
