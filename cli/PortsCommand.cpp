#include "cli/PortsCommand.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QSerialPortInfo>

#include "cli/CliArguments.h"
#include "cli/CliImage.h"
#include "cli/FieldJson.h"
#include "radio/PortNames.h"
#include "radio/PosixSerialLine.h"

namespace velmora {
namespace {

constexpr int kFirstPort = 1;
constexpr int kLastPort = 9;

constexpr const char* kUsage =
    "usage: velmora-cli ports [--json]\n"
    "Lists COM1..COM9 as this machine maps them: the device, its USB vendor:product, serial\n"
    "number and description where known, and whether it can be opened now (free, busy,\n"
    "permission denied, missing). VELMORA_COM<n>=PATH maps COMn to any device.\n"
    "--json prints one JSON object instead: \"ports\", one entry per COM name with port,\n"
    "device (null for none), state (free, busy, permissionDenied, missing, other), reason,\n"
    "group or owner (who may open a refused device) and, where known, vendorId, productId,\n"
    "serialNumber and description.\n";

const char* StateName(PortStatus::State state) {
  switch (state) {
    case PortStatus::State::Free:
      return "free";
    case PortStatus::State::Missing:
      return "missing";
    case PortStatus::State::PermissionDenied:
      return "permissionDenied";
    case PortStatus::State::Busy:
      return "busy";
    case PortStatus::State::Other:
      break;
  }
  return "other";
}

QString Hex4(quint16 value) { return QStringLiteral("%1").arg(value, 4, 16, QChar('0')); }

// One port: its status, and what the system knows of its device.
QJsonObject PortEntry(const std::string& name, const PortStatus& status,
                      const QList<QSerialPortInfo>& infos) {
  QJsonObject entry{
      {"port", QString::fromStdString(name)},
      {"device", status.device.empty() ? QJsonValue() : QString::fromStdString(status.device)},
      {"state", StateName(status.state)},
      {"reason", QString::fromStdString(status.Describe())}};
  if (!status.group.empty()) entry.insert("group", QString::fromStdString(status.group));
  if (!status.owner.empty()) entry.insert("owner", QString::fromStdString(status.owner));
  for (const QSerialPortInfo& info : infos) {
    if (status.device.empty() || info.systemLocation() != QString::fromStdString(status.device)) {
      continue;
    }
    if (info.hasVendorIdentifier()) entry.insert("vendorId", Hex4(info.vendorIdentifier()));
    if (info.hasProductIdentifier()) entry.insert("productId", Hex4(info.productIdentifier()));
    if (!info.serialNumber().isEmpty()) entry.insert("serialNumber", info.serialNumber());
    if (!info.description().isEmpty()) entry.insert("description", info.description());
  }
  return entry;
}

// The line `ports` prints for an entry.
std::string PortLine(const QJsonObject& entry) {
  std::string line = PortStatus::Name(entry["port"].toString().toStdString(),
                                      entry["device"].toString().toStdString()) +
                     "  " + entry["reason"].toString().toStdString();
  if (entry.contains("vendorId") && entry.contains("productId")) {
    line += "  USB " +
            (entry["vendorId"].toString() + ":" + entry["productId"].toString()).toStdString();
  }
  if (entry.contains("serialNumber")) {
    line += "  serial " + entry["serialNumber"].toString().toStdString();
  }
  if (entry.contains("description")) {
    line += "  \"" + entry["description"].toString().toStdString() + "\"";
  }
  return line;
}

}  // namespace

int PortsCommand::Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  int code = kExitUsage;
  const auto parsed =
      CliArguments::ParseOrUsage(args, {}, {"--help", "--json"}, kUsage, out, err, code);
  if (!parsed) return code;
  if (!parsed->positional().empty()) {
    err << "ports takes no arguments\n" << kUsage;
    return kExitUsage;
  }
  std::vector<std::string> names;
  for (int n = kFirstPort; n <= kLastPort; ++n) names.push_back("COM" + std::to_string(n));
  // One walk of the system's ports serves every name.
  const std::vector<std::string> devices = PortNames().ResolveEach(names);
  const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
  QJsonArray entries;
  for (std::size_t i = 0; i < names.size(); ++i) {
    PortStatus status = PosixSerialLine::Probe(devices[i]);
    status.device = devices[i];
    entries.append(PortEntry(names[i], status, infos));
  }
  if (parsed->Has("--json")) {
    FieldJson::Print({{"ports", entries}}, out);
    return kExitOk;
  }
  for (const auto& entry : entries) out << PortLine(entry.toObject()) << "\n";
  return kExitOk;
}

}  // namespace velmora
