#include "instrument/InstrumentLinks.h"

#include <QUrl>
#include <QUrlQuery>

#include "instrument/InstrumentText.h"
#include "instrument/SerialLink.h"
#include "instrument/SimLink.h"
#include "instrument/TcpLink.h"
#include "instrument/UsbtmcLink.h"

namespace velmora {
namespace {

// The URL's query item, or the fallback when it has none; nothing (error set) unless positive.
std::optional<double> Positive(const QUrl& url, const char* key, double fallback, QString& error) {
  const QUrlQuery query(url);
  const QString name = QString::fromLatin1(key);
  if (!query.hasQueryItem(name)) return fallback;
  bool ok = false;
  const double value = query.queryItemValue(name).toDouble(&ok);
  if (ok && value > 0) return value;
  error = name + QStringLiteral(" must be a positive number");
  return std::nullopt;
}

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
  const auto baud = Positive(url, "baud", InstrumentLinks::kDefaultBaud, error);
  if (!baud) return nullptr;
  if (url.path().isEmpty()) {
    error = QStringLiteral("a serial link needs serial:///dev/DEVICE");
    return nullptr;
  }
  return std::make_unique<SerialLink>(url.path(), static_cast<qint32>(*baud));
}

std::unique_ptr<InstrumentLink> Sim(const QUrl& url, QString& error) {
  const auto watts = Positive(url, "watts", InstrumentLinks::kSimWatts, error);
  if (!watts) return nullptr;
  return std::make_unique<SimLink>([w = *watts](meter::ModelClock::time_point) { return w; },
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
  // The URL may come from a settings file: its control bytes must not reach a terminal.
  if (!link) error = InstrumentText::Shown(text) + QStringLiteral(": ") + error;
  return link;
}

}  // namespace velmora
