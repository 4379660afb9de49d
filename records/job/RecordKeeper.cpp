#include "records/job/RecordKeeper.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QSettings>
#include <QSysInfo>

#include "align/AlignReport.h"
#include "core/CalibrationFile.h"
#include "core/CalibrationImage.h"
#include "radio/PortNames.h"
#include "records/RecordForwarder.h"
#include "records/RecordsSettings.h"
#include "transfer/CTransferJob.h"
#include "transfer/DataFolder.h"

#ifndef _WIN32
#include <pwd.h>
#include <unistd.h>
#endif

#ifndef VELMORA_VERSION
#error "VELMORA_VERSION must name the program's version"
#endif

namespace velmora {
namespace {

RecordsSettings Settings() {
  const QString name = QCoreApplication::applicationName();
  return RecordsSettings::Load(QSettings(name, name));
}

std::string Utc(std::chrono::system_clock::time_point at) {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch());
  return QDateTime::fromMSecsSinceEpoch(ms.count(), Qt::UTC)
      .toString(Qt::ISODateWithMs)
      .toStdString();
}

std::string Hex(const std::string& bytes) {
  return QByteArray::fromStdString(bytes).toHex().toStdString();
}

// "vvvv:pppp serial" of the USB device behind the port, "" for a port without one.
std::string UsbIdentity(int port) {
  const PortNames names;
  const std::string path = names.Resolve("COM" + std::to_string(port));
  for (const auto& device : names.Listed()) {
    if (device.path != path || device.vendorId.empty()) continue;
    return device.vendorId + ":" + device.productId +
           (device.serialNumber.empty() ? "" : " " + device.serialNumber);
  }
  return {};
}

// What a write's backup holds: the radio's image before the write, "" without a backup.
std::vector<std::uint8_t> BackupImage(const std::string& path) {
  CalibrationImage backup;
  if (path.empty() || !CalibrationFile::LoadFromFile(backup, path, {}).ok()) return {};
  const auto held = backup.ToBytes();
  return {held.begin(), held.end()};
}

}  // namespace

RecordKeeper::Job RecordKeeper::FromTransfer(const std::string& kind, const CTransferJob& job,
                                             const std::string& shown,
                                             const CalibrationImage& image,
                                             std::chrono::system_clock::time_point started) {
  Job recorded;
  recorded.kind = kind;
  recorded.outcome = shown;
  recorded.succeeded = job.Outcome().succeeded();
  recorded.detail = job.Detail();
  recorded.port = image.portNumber();
  if (job.port()) recorded.identification = job.port()->identification();
  const auto bytes = image.ToBytes();
  recorded.after.assign(bytes.begin(), bytes.end());
  recorded.backupPath = job.BackupPath();
  recorded.started = started;
  return recorded;
}

RecordKeeper::Job RecordKeeper::FromAlignment(const AlignReport& report,
                                              const CalibrationImage& before,
                                              std::chrono::system_clock::time_point started) {
  Job job;
  job.kind = "align";
  job.port = before.portNumber();
  const auto bytes = before.ToBytes();
  job.before.assign(bytes.begin(), bytes.end());
  job.backupPath = report.backupPath.toStdString();
  job.started = started;
  job.planName = report.planName.toStdString();
  job.planSha256 = report.planSha256.toStdString();
  job.meterIdentification = report.meter.toStdString();
  job.meterUrl = report.meterUrl.toStdString();
  for (const PointResult& p : report.points) {
    const int readings = int(p.tries.size());
    job.points.push_back({AlignPlan::kBandKeys.at(std::size_t(p.band)), p.table, p.point,
                          double(p.mhz), p.target.watts, p.target.maxWatts - p.target.minWatts,
                          p.oldLevel, p.newLevel, p.confirmedWatts.value_or(0), p.LiveTunes(),
                          readings, VerdictName(p.verdict).toStdString()});
  }
  return job;
}

QString RecordKeeper::BenchPath(QString* problem) {
  if (DataFolder::Location(QStringLiteral("records"), problem).isEmpty()) return {};
  const QString folder = DataFolder::Subfolder(QStringLiteral("records"));
  if (folder.isEmpty() && problem) *problem = "the records folder cannot be made";
  return folder.isEmpty() ? QString() : QDir(folder).filePath(QStringLiteral("records.sqlite"));
}

QString RecordKeeper::SettingsUrl() { return Settings().url; }

std::string RecordKeeper::LoginName() {
#ifndef _WIN32
  if (const passwd* user = ::getpwuid(::geteuid())) return user->pw_name;
#endif
  return qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME")).toStdString();
}

RecordKeeper::Forwarding RecordKeeper::Forward(RecordStore& bench, const QString& lineUrl,
                                               std::chrono::milliseconds limit) {
  Forwarding result;
  const auto line = RecordStore::Open(lineUrl, result.error);
  if (line) {
    result.reached = true;
    const auto sent = RecordForwarder::Forward(bench, *line, limit);
    result.error = sent.error;
    if (sent.waiting == 0) return result;
  }
  std::string error;
  result.waiting = bench.UnforwardedCount(error).value_or(-1);
  return result;
}

RecordKeeper::RecordKeeper(std::string serial, std::string lot, std::string operatorName)
    : m_serial(std::move(serial)),
      m_lot(std::move(lot)),
      m_operator(std::move(operatorName)),
      m_bench(Settings().bench.toStdString()) {}

RecordKeeper::~RecordKeeper() = default;

bool RecordKeeper::Open(std::string& error) {
  if (m_store) return true;
  QString problem;
  const QString path = BenchPath(&problem);
  error = problem.toStdString();
  if (!path.isEmpty()) m_store = RecordStore::Open(path, error);
  return m_store != nullptr;
}

ProductionRecord RecordKeeper::Record(const Job& job) const {
  ProductionRecord r;
  r.kind = job.kind;
  r.startedUtc = Utc(job.started);
  r.endedUtc =
      Utc(job.ended == std::chrono::system_clock::time_point{} ? std::chrono::system_clock::now()
                                                               : job.ended);
  r.outcome = job.outcome;
  r.succeeded = job.succeeded;
  r.detail = job.detail;
  r.host = QSysInfo::machineHostName().toStdString();
  r.bench = m_bench;
  r.operatorName = m_operator;
  r.version = VELMORA_VERSION;
  r.port = "COM" + std::to_string(job.port);
  r.usbIdentity = UsbIdentity(job.port);
  r.radioIdentification = Hex(job.identification);
  r.serial = job.serial.empty() ? m_serial : job.serial;
  r.lot = m_lot;
  r.imageBefore = job.before.empty() ? BackupImage(job.backupPath) : job.before;
  r.imageAfter = job.after;
  r.backupPath = job.backupPath;
  r.planName = job.planName;
  r.planSha256 = job.planSha256;
  r.meterIdentification = job.meterIdentification;
  r.meterUrl = job.meterUrl;
  r.points = job.points;
  return r;
}

bool RecordKeeper::Commit(const Job& job, std::string& error) {
  ProductionRecord record = Record(job);
  if (!Open(error)) return false;
  return m_store->Add(record, error);
}

}  // namespace velmora
