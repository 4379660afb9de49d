#include "cli/JobRecorder.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QSettings>
#include <QSysInfo>

#include "core/CalibrationFile.h"
#include "core/CalibrationImage.h"
#include "radio/PortNames.h"
#include "transfer/CTransferJob.h"
#include "records/RecordForwarder.h"
#include "records/RecordsSettings.h"
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

std::string LoginName() {
#ifndef _WIN32
  if (const passwd* user = ::getpwuid(::geteuid())) return user->pw_name;
#endif
  return qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME")).toStdString();
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

const std::set<std::string>& JobRecorder::Options() {
  static const std::set<std::string> options = {"--serial", "--lot", "--operator", "--records"};
  return options;
}

JobRecorder::Job JobRecorder::FromTransfer(const std::string& kind, const CTransferJob& job,
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

JobRecorder::JobRecorder(const CliArguments& args)
    : m_serial(args.Value("--serial").value_or("")),
      m_lot(args.Value("--lot").value_or("")),
      m_operator(args.Value("--operator").value_or(LoginName())),
      m_bench(Settings().bench.toStdString()),
      m_lineUrl(LineUrl(args)) {}

JobRecorder::~JobRecorder() = default;

QString JobRecorder::BenchPath(QString* problem) {
  if (DataFolder::location(QStringLiteral("records"), problem).isEmpty()) return {};
  const QString folder = DataFolder::subfolder(QStringLiteral("records"));
  if (folder.isEmpty() && problem) *problem = "the records folder cannot be made";
  return folder.isEmpty() ? QString() : QDir(folder).filePath(QStringLiteral("records.sqlite"));
}

QString JobRecorder::LineUrl(const CliArguments& args) {
  if (const auto url = args.Value("--records")) return QString::fromStdString(*url);
  return Settings().url;
}

bool JobRecorder::Open(std::ostream& err) {
  if (m_store) return true;
  QString problem;
  const QString path = BenchPath(&problem);
  std::string error = problem.toStdString();
  if (!path.isEmpty()) m_store = RecordStore::Open(path, error);
  if (m_store) return true;
  m_openError = error;
  err << "records: the bench's database cannot be opened: " << error << "\n";
  return false;
}

ProductionRecord JobRecorder::Record(const Job& job) const {
  ProductionRecord r;
  r.kind = job.kind;
  r.startedUtc = Utc(job.started);
  r.endedUtc = Utc(std::chrono::system_clock::now());
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

bool JobRecorder::Commit(const Job& job, std::ostream& err) {
  std::string error = m_openError;
  ProductionRecord record = Record(job);
  if (Open(err) && m_store->Add(record, error)) return true;
  err << "records: this job's record was not kept: " << error << "\n";
  return false;
}

void JobRecorder::Forward(std::ostream& err) {
  if (m_lineUrl.isEmpty() || !m_store) return;
  std::string error;
  const auto line = RecordStore::Open(m_lineUrl, error);
  if (!line) {
    err << "records: the line's database is not reachable (" << error << ")\n";
  } else {
    const auto result = RecordForwarder::Forward(*m_store, *line, kForwardLimit);
    if (result.waiting == 0) return;
    if (!result.error.empty()) err << "records: forwarding stopped: " << result.error << "\n";
  }
  const auto waiting = m_store->UnforwardedCount(error);
  err << "records: " << waiting.value_or(-1)
      << " waiting for the line's database (velmora-cli records sync)\n";
}

}  // namespace velmora
