#include "instrument/InstrumentLinks.h"

#include <QUrl>
#include <QUrlQuery>

#include "instrument/SerialLink.h"
#include "instrument/SimLink.h"
#include "instrument/TcpLink.h"
#include "instrument/UsbtmcLink.h"

namespace velmora {
namespace {

std::unique_ptr<InstrumentLink> Tcp(const QUrl& url, QString& error) {
  QString host = url.host();
  int port = url.port();
  if (host.isEmpty()) {  // tcp:HOST:PORT
    const QString path = url.path();
    const auto colon = path.lastIndexOf(':');
    bool ok = false;
    host = path.left(colon);
    port = colon > 0 ? path.mid(colon + 1).toInt(&ok) : -1;
    if (!ok) port = -1;
  }
  if (host.isEmpty() || port <= 0 || port > 65535) {
    error = QStringLiteral("a tcp link needs tcp://HOST:PORT");
    return nullptr;
  }
  return std::make_unique<TcpLink>(host, static_cast<quint16>(port));
}

std::unique_ptr<InstrumentLink> Serial(const QUrl& url, QString& error) {
  const QUrlQuery query(url);
  qint32 baud = InstrumentLinks::kDefaultBaud;
  if (query.hasQueryItem(QStringLiteral("baud"))) {
    bool ok = false;
    baud = query.queryItemValue(QStringLiteral("baud")).toInt(&ok);
    if (!ok || baud <= 0) {
      error = QStringLiteral("baud must be a positive number");
      return nullptr;
    }
  }
  if (url.path().isEmpty()) {
    error = QStringLiteral("a serial link needs serial:///dev/DEVICE");
    return nullptr;
  }
  return std::make_unique<SerialLink>(url.path(), baud);
}

std::unique_ptr<InstrumentLink> Sim(const QUrl& url, QString& error) {
  const QUrlQuery query(url);
  double watts = InstrumentLinks::kSimWatts;
  if (query.hasQueryItem(QStringLiteral("watts"))) {
    bool ok = false;
    watts = query.queryItemValue(QStringLiteral("watts")).toDouble(&ok);
    if (!ok || watts < 0) {
      error = QStringLiteral("watts must be a number of watts");
      return nullptr;
    }
  }
  return std::make_unique<SimLink>([watts](meter::ModelClock::time_point) { return watts; },
                                   meter::MeterSettings{});
}

}  // namespace

std::unique_ptr<InstrumentLink> InstrumentLinks::Make(const QString& text, QString& error) {
  const QUrl url(text, QUrl::StrictMode);
  const QString scheme = url.scheme();
  std::unique_ptr<InstrumentLink> link;
  if (!url.isValid()) {
    error = QStringLiteral("not a URL");
  } else if (scheme == QLatin1String("tcp")) {
    link = Tcp(url, error);
  } else if (scheme == QLatin1String("serial")) {
    link = Serial(url, error);
  } else if (scheme == QLatin1String("usbtmc")) {
    if (!url.path().isEmpty()) return std::make_unique<UsbtmcLink>(url.path());
    error = QStringLiteral("a usbtmc link needs usbtmc:///dev/DEVICE");
  } else if (scheme == QLatin1String("sim")) {
    link = Sim(url, error);
  } else {
    error = QStringLiteral(
        "use tcp://HOST:PORT, serial:///dev/DEVICE?baud=N, "
        "usbtmc:///dev/DEVICE or sim:");
  }
  if (!link) error = text + QStringLiteral(": ") + error;
  return link;
}

}  // namespace velmora
