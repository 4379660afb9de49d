#include "cli/BatchCommands.h"

#include <QDateTime>
#include <QFileInfo>
#include <cstdio>

#include "cli/BatchTransfer.h"
#include "cli/CliImage.h"
#include "cli/JobRecorder.h"
#include "cli/ReadOutputFile.h"
#include "cli/WriteAftermath.h"
#include "core/SafeFile.h"
#include "transfer/TransferOutcome.h"

namespace velmora {
namespace {

// tail: what else the port's line must say (the file a read saved, what a failed write left).
void PrintLine(const BatchTransfer::PortResult& r, const std::string& tail, std::ostream& out) {
  char seconds[16];
  std::snprintf(seconds, sizeof seconds, "%.2f s", r.seconds);
  out << "COM" << r.port << ": " << r.outcome << " " << seconds << "  " << r.detail;
  if (!r.backup.empty()) out << "  backup: " << SafeFile::Shown(r.backup);
  if (!tail.empty()) out << "  " << tail;
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

// The port's record, kept before its line is printed; a port whose record is lost has failed.
void Record(const char* kind, BatchTransfer::PortResult& r, const CalibrationImage& image,
            JobRecorder& recorder, std::ostream& err) {
  JobRecorder::Job job;
  job.kind = kind;
  job.outcome = r.outcome;
  job.succeeded = r.succeeded;
  job.detail = r.detail;
  job.port = r.port;
  const auto bytes = image.ToBytes();
  job.after.assign(bytes.begin(), bytes.end());
  job.backupPath = r.backup;
  job.started = std::chrono::system_clock::now() -
                std::chrono::duration_cast<std::chrono::system_clock::duration>(
                    std::chrono::duration<double>(r.seconds));
  if (recorder.Commit(job, err)) return;
  r.succeeded = false;
  r.outcome = CTransferJob::kFailureText;
  r.detail += ", not recorded";
}

std::optional<std::vector<int>> Ports(const std::string& text, std::ostream& err) {
  std::string error;
  auto ports = BatchTransfer::ParsePorts(text, error);
  if (ports) error = BatchTransfer::SharedDevice(*ports);
  if (error.empty()) return ports;
  err << error << "\n";
  return std::nullopt;
}

}  // namespace

int BatchCommands::ReadInto(const std::string& folder, const std::string& portList,
                            const TransferOptions& options,
                            const CTransferJob::PortFactory& factory, JobRecorder& recorder,
                            std::ostream& out, std::ostream& err) {
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
    if (!ReadOutputFile::Check(fileOf(port), err)) return kExitUsage;
  }
  const auto results =
      BatchTransfer::Run(TRANSFER_READ, *ports, {}, options, factory,
                         [&](BatchTransfer::PortResult& r, CalibrationImage& image) {
                           std::string file, failure;
                           if (r.succeeded) {
                             file = fileOf(r.port);
                             r.succeeded = ReadOutputFile::Save(file, image, err, &failure);
                           }
                           if (!failure.empty()) {
                             r.outcome = CTransferJob::kFailureText;
                             r.detail += ", not saved: " + failure;
                           }
                           Record("read", r, image, recorder, err);
                           PrintLine(r, r.succeeded ? "file: " + SafeFile::Shown(file) : std::string(), out);
                         });
  recorder.Forward(err);
  return Summarise(results, out);
}

int BatchCommands::WriteFrom(const CalibrationImage& image, const std::string& portList,
                             const TransferOptions& options,
                             const CTransferJob::PortFactory& factory, JobRecorder& recorder,
                             std::ostream& out, std::ostream& err) {
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
      [&](BatchTransfer::PortResult& r, CalibrationImage& written) {
        Record("write", r, written, recorder, err);
        PrintLine(r,
                  r.succeeded ? std::string() : WriteAftermath::Describe(r.ended, r.backup, r.port),
                  out);
      });
  recorder.Forward(err);
  return Summarise(results, out);
}

}  // namespace velmora
