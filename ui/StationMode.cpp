#include "ui/StationMode.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "align/AlignPlanParser.h"
#include "records/RecordStore.h"
#include "ui/RecordsLocation.h"
#include "ui/StationHost.h"
#include "ui/UserSettings.h"
#include "ui/WindowPrompts.h"

namespace velmora {

StationMode::StationMode(QWidget* window, StationHost& host)
    : QObject(window), m_window(window), m_host(host) {}

QString StationMode::Program() {
  const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath("velmora-cli");
  if (QFileInfo(beside).isExecutable()) return beside;
  return QStandardPaths::findExecutable(QStringLiteral("velmora-cli"));
}

std::optional<InstrumentSettings> StationMode::Meter(const QString& planMeterUrl) {
  InstrumentSettings meter = InstrumentSettings::Load(*InstrumentSettings::ProgramSettings());
  if (meter.meterUrl.isEmpty()) meter.meterUrl = planMeterUrl;
  if (meter.meterUrl.isEmpty()) {
    m_host.prompts().notify(m_window, tr("请先在 设置 → 功率计 中设置功率计。"));
    return std::nullopt;
  }
  if (meter.CalibrationOverdue(QDate::currentDate())) {
    m_host.prompts().notify(m_window, tr("功率计的校准已于 %1 到期，产线模式不能使用它。")
                                          .arg(meter.calibrationDue.toString(Qt::ISODate)));
    return std::nullopt;
  }
  return meter;
}

void StationMode::Enter() {
  if (m_view) return;
  UserSettings& settings = m_host.userSettings();
  const QString path = m_host.prompts().choosePlanPath(m_window, settings.PlanFolder());
  if (path.isEmpty()) return;
  settings.SetPlanFolder(QFileInfo(path).absolutePath());
  const AlignPlanParse parse = AlignPlanParser::Load(path);
  if (!parse.plan) {
    m_host.prompts().notify(m_window, tr("校准方案 %1 无效:\n%2").arg(path, parse.error));
    return;
  }
  const auto meter = Meter(parse.plan->meter.url);
  if (!meter) return;
  const int port = m_host.PortNumber();
  auto session = std::make_unique<StationSession>(
      StationSession::Setup{Program(), path, meter->meterUrl, port});
  QString error;
  if (!session->Start(error)) {
    m_host.prompts().notify(m_window, tr("产线模式无法启动: %1").arg(error));
    return;
  }
  const QString due = meter->calibrationDue.isValid()
                          ? tr(" (校准到期 %1)").arg(meter->calibrationDue.toString(Qt::ISODate))
                          : QString();
  const WindowPrompts& prompts = m_host.prompts();
  m_view = new StationView(
      m_window, std::move(session), {parse.plan->name, meter->meterUrl + due, port},
      &StationMode::PassedToday, [&prompts](QWidget* parent, const QString& serial) {
        return prompts.askYesNo(parent, tr("序列号 %1 今天已经 PASS。再校准一次吗?").arg(serial));
      });
  m_view->setAttribute(Qt::WA_DeleteOnClose);
  m_view->setWindowState(Qt::WindowMaximized);
  m_view->open();
}

bool StationMode::PassedToday(const QString& serial) {
  const QString file = RecordsLocation::Bench();
  if (file.isEmpty()) return false;
  std::string error;
  const auto store = RecordStore::Open(file, error);
  if (!store) return false;
  const QDate today = QDate::currentDate();
  for (const ProductionRecord& r : store->History(serial.toStdString(), error)) {
    const QDateTime started =
        QDateTime::fromString(QString::fromStdString(r.startedUtc), Qt::ISODateWithMs);
    if (r.outcome == "PASS" && started.toLocalTime().date() == today) return true;
  }
  return false;
}

}  // namespace velmora
