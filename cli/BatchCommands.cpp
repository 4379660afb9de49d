#include "cli/BatchCommands.h"

#include <QDateTime>
#include <QFileInfo>
#include <cstdio>

#include "cli/BatchTransfer.h"
#include "cli/CliImage.h"
#include "cli/ReadOutputFile.h"
#include "core/SafeFile.h"
#include "transfer/TransferDoneEvent.h"

namespace velmora {
namespace {

void PrintLine(const BatchTransfer::PortResult& r, const std::string& file, std::ostream& out) {
  char seconds[16];
  std::snprintf(seconds, sizeof seconds, "%.2f s", r.seconds);
  out << "COM" << r.port << ": " << r.outcome << " " << seconds << "  " << r.detail;
  if (!r.backup.empty()) out << "  backup: " << SafeFile::Shown(r.backup);
  if (!file.empty()) out << "  file: " << SafeFile::Shown(file);
  out << "\n" << std::flush;
}

int Summarise(const std::vector<BatchTransfer::PortResult>& results, std::ostream& out) {
  std::size_t good = 0;
  for (const auto& r : results) good += r.succeeded ? 1 : 0;
  out << good << "/" << results.size() << " 成功\n";
  if (good < results.size()) {
    out << "not done:";
    for (const auto& r : results) {
      if (!r.succeeded) out << " COM" << r.port;
    }
    out << "\n";
  }
  return good == results.size() ? kExitOk : kExitTransferFailed;
}

std::optional<std::vector<int>> Ports(const std::string& text, std::ostream& err) {
  std::string error;
  auto ports = BatchTransfer::ParsePorts(text, error);
  if (!ports) err << error << "\n";
  return ports;
}

}  // namespace

int BatchCommands::ReadInto(const std::string& folder, const std::string& portList,
                            const TransferOptions& options,
                            const CTransferJob::PortFactory& factory, std::ostream& out,
                            std::ostream& err) {
  const auto ports = Ports(portList, err);
  if (!ports) return kExitUsage;
  if (!QFileInfo(QString::fromStdString(folder)).isDir()) {
    err << folder << ": not a folder; read --ports saves one file per radio into a folder\n";
    return kExitUsage;
  }
  const QString stamp = QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss");
  // Built from the folder's own bytes, so a name Qt cannot carry is refused, never changed.
  auto fileOf = [&](int port) {
    return folder + (folder.ends_with('/') ? "" : "/") +
           QString("COM%1-%2.dat").arg(port).arg(stamp).toStdString();
  };
  for (const int port : *ports) {
    if (!ReadOutputFile::check(fileOf(port), err)) return kExitUsage;
  }
  const auto results =
      BatchTransfer::Run(TRANSFER_READ, *ports, {}, options, factory,
                         [&](BatchTransfer::PortResult& r, CalibrationImage& image) {
                           std::string file, failure;
                           if (r.succeeded) {
                             file = fileOf(r.port);
                             r.succeeded = ReadOutputFile::save(file, image, err, &failure);
                           }
                           if (!failure.empty()) {
                             r.outcome = CTransferJob::kFailureText;
                             r.detail += ", not saved: " + failure;
                           }
                           PrintLine(r, r.succeeded ? file : std::string(), out);
                         });
  return Summarise(results, out);
}

int BatchCommands::WriteFrom(const CalibrationImage& image, const std::string& portList,
                             const TransferOptions& options,
                             const CTransferJob::PortFactory& factory, std::ostream& out,
                             std::ostream& err) {
  const auto ports = Ports(portList, err);
  if (!ports) return kExitUsage;
  const auto bytes = image.ToBytes();
  const auto results = BatchTransfer::Run(
      TRANSFER_WRITE, *ports,
      [&bytes](CalibrationImage& copy, int) {
        copy.AssignBytes(bytes);
        return true;
      },
      options, factory,
      [&](BatchTransfer::PortResult& r, CalibrationImage&) { PrintLine(r, {}, out); });
  return Summarise(results, out);
}

}  // namespace velmora
