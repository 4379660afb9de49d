#include "cli/PortsCommand.h"

#include <QJsonArray>
#include <QJsonObject>
#include <algorithm>

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

// One port: its status, and what the system knows of its device.
QJsonObject PortEntry(const std::string& name, const PortStatus& status,
                      const std::vector<PortNames::Device>& listed) {
  QJsonObject entry{
      {"port", QString::fromStdString(name)},
      {"device", status.device.empty() ? QJsonValue() : QString::fromStdString(status.device)},
      {"state", StateName(status.state)},
      {"reason", QString::fromStdString(status.Describe())}};
  if (!status.group.empty()) entry.insert("group", QString::fromStdString(status.group));
  if (!status.owner.empty()) entry.insert("owner", QString::fromStdString(status.owner));
  const auto device = std::find_if(listed.begin(), listed.end(), [&](const auto& d) {
    return !status.device.empty() && d.path == status.device;
  });
  if (device == listed.end()) return entry;
  const std::pair<const char*, const std::string*> known[] = {
      {"vendorId", &device->vendorId},
      {"productId", &device->productId},
      {"serialNumber", &device->serialNumber},
      {"description", &device->description}};
  for (const auto& [key, value] : known) {
    if (!value->empty()) entry.insert(key, QString::fromStdString(*value));
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
  const PortNames portNames;
  const std::vector<std::string> devices = portNames.ResolveEach(names);
  const std::vector<PortNames::Device> listed = portNames.Listed();
  QJsonArray entries;
  for (std::size_t i = 0; i < names.size(); ++i) {
    PortStatus status = PosixSerialLine::Probe(devices[i]);
    status.device = devices[i];
    entries.append(PortEntry(names[i], status, listed));
  }
  if (parsed->Has("--json")) {
    FieldJson::Print({{"ports", entries}}, out);
    return kExitOk;
  }
  for (const auto& entry : entries) out << PortLine(entry.toObject()) << "\n";
  return kExitOk;
}

}  // namespace velmora
