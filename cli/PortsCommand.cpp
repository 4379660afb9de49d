#include "cli/PortsCommand.h"

#include <QSerialPortInfo>

#include "cli/CliArguments.h"
#include "cli/CliImage.h"
#include "radio/PortNames.h"
#include "radio/QtSerialLine.h"

namespace velmora {
namespace {

constexpr int kFirstPort = 1;
constexpr int kLastPort = 9;

constexpr const char* kUsage =
    "usage: velmora-cli ports\n"
    "Lists COM1..COM9 as this machine maps them: the device, its USB vendor:product, serial\n"
    "number and description where known, and whether it can be opened now (free, busy,\n"
    "permission denied, missing). VELMORA_COM<n>=PATH maps COMn to any device.\n";

std::string Hex4(quint16 value) {
  return QStringLiteral("%1").arg(value, 4, 16, QChar('0')).toStdString();
}

// What the system knows of the device behind the path.
std::string Description(const std::string& device) {
  const QString path = QString::fromStdString(device);
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    if (info.systemLocation() != path) continue;
    std::string text;
    if (info.hasVendorIdentifier() && info.hasProductIdentifier()) {
      text += "  USB " + Hex4(info.vendorIdentifier()) + ":" + Hex4(info.productIdentifier());
    }
    if (!info.serialNumber().isEmpty()) text += "  serial " + info.serialNumber().toStdString();
    if (!info.description().isEmpty()) text += "  \"" + info.description().toStdString() + "\"";
    return text;
  }
  return {};
}

}  // namespace

int PortsCommand::Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  int code = kExitUsage;
  const auto parsed = CliArguments::ParseOrUsage(args, {}, {"--help"}, kUsage, out, err, code);
  if (!parsed) return code;
  if (!parsed->positional().empty()) {
    err << "ports takes no arguments\n" << kUsage;
    return kExitUsage;
  }
  for (int n = kFirstPort; n <= kLastPort; ++n) {
    const std::string name = "COM" + std::to_string(n);
    const PortStatus status = QtSerialLine::Probe(name);
    out << PortStatus::Name(name, status.device) << "  " << status.Describe()
        << (status.device.empty() ? std::string() : Description(status.device)) << "\n";
  }
  return kExitOk;
}

}  // namespace velmora
