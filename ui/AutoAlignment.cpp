#include "ui/AutoAlignment.h"

#include <QFileInfo>
#include <QThread>
#include <array>
#include <cmath>
#include <span>

#include "align/AlignPlanParser.h"
#include "core/ImageLayout.h"
#include "core/SafeFile.h"
#include "instrument/InstrumentSettings.h"
#include "res/TableNames.h"
#include "ui/AlignmentHost.h"
#include "ui/CurveWindow.h"
#include "ui/UserSettings.h"
#include "ui/WindowPrompts.h"
#include "ui/controls/CStyledTabCtrl.h"
#include "ui/pages/CBandPageDlg.h"
#include "ui/pages/CLevelTableDlg.h"

namespace velmora {
namespace {

constexpr double kSameAttenuatorDb = 0.005;  // the dialog keeps two decimals

// Why a point is not aligned, in the window's words, by verdict.
QString VerdictText(AlignVerdict verdict) {
  static const std::array<const char*, 10> kTexts = {
      QT_TRANSLATE_NOOP("velmora::AutoAlignment", "已校准"),
      QT_TRANSLATE_NOOP("velmora::AutoAlignment", "尝试次数用尽"),
      QT_TRANSLATE_NOOP("velmora::AutoAlignment", "功率不随电平上升"),
      QT_TRANSLATE_NOOP("velmora::AutoAlignment", "目标超出最高电平"),
      QT_TRANSLATE_NOOP("velmora::AutoAlignment", "会超出功率计的最大输入"),
      QT_TRANSLATE_NOOP("velmora::AutoAlignment", "相邻两个电平都不在窗口内"),
      QT_TRANSLATE_NOOP("velmora::AutoAlignment", "功率计或实时电调出错"),
      QT_TRANSLATE_NOOP("velmora::AutoAlignment", "本表发射时间用尽"),
      QT_TRANSLATE_NOOP("velmora::AutoAlignment", "已取消"),
      QT_TRANSLATE_NOOP("velmora::AutoAlignment", "未尝试")};
  return AutoAlignment::tr(kTexts.at(static_cast<std::size_t>(verdict)));
}

QString BandName(int band) {
  return band == 0 ? AutoAlignment::tr("A段") : AutoAlignment::tr("B段");
}

}  // namespace

AutoAlignment::AutoAlignment(QWidget* window, AlignmentHost& host,
                             CTransferJob::PortFactory portFactory)
    : QObject(window), m_window(window), m_host(host), m_portFactory(std::move(portFactory)) {}

// The worker uses only the job and its result, both still here while it ends.
AutoAlignment::~AutoAlignment() {
  if (!m_thread) return;
  m_job->Cancel();
  m_thread->wait();
  delete m_thread;
}

void AutoAlignment::Cancel() {
  if (m_job) m_job->Cancel();
}

void AutoAlignment::Start(int band, const QList<int>& tables) {
  if (IsRunning() || m_host.IsEnding()) return;
  TransferGate::Hold lease(m_host.gate());  // no live tune, read or write from now on
  if (!lease) return;
  const std::optional<AlignPlan> plan = ChoosePlan();
  if (!plan || !HasTargets(*plan, band, tables)) return;
  const std::optional<InstrumentSettings> meter = MeterInUse(*plan);
  if (!meter) return;
  AlignJobSettings settings;
  settings.plan = *plan;
  settings.meter = *meter;
  for (int table : tables) settings.tables.push_back({band, table});
  settings.portFactory = m_portFactory;
  lease.HandOver();
  Run(std::move(settings), band, tables);
}

std::optional<AlignPlan> AutoAlignment::ChoosePlan() {
  UserSettings& settings = m_host.userSettings();
  const QString path = m_host.prompts().choosePlanPath(m_window, settings.PlanFolder());
  if (path.isEmpty()) return std::nullopt;
  m_planFolder = QFileInfo(path).absolutePath();
  settings.SetPlanFolder(m_planFolder);
  AlignPlanParse parse = AlignPlanParser::Load(path);
  if (!parse.plan) {
    m_host.prompts().notify(m_window, tr("校准方案 %1 无效:\n%2").arg(path, parse.error));
  }
  return parse.plan;
}

bool AutoAlignment::HasTargets(const AlignPlan& plan, int band, const QList<int>& tables) {
  QStringList missing;
  for (int table : tables) {
    if (!plan.targets.at(std::size_t(band)).at(std::size_t(table))) {
      missing << BandName(band) + ' ' + res::TableName(table);
    }
  }
  if (missing.isEmpty()) return true;
  m_host.prompts().notify(
      m_window, tr("校准方案 %1 没有这些表的目标: %2").arg(plan.name, missing.join(", ")));
  return false;
}

// The window's meter settings, asked for when neither they nor the plan name a meter. An
// attenuator other than the plan's would misjudge every reading: the user confirms it.
std::optional<InstrumentSettings> AutoAlignment::MeterInUse(const AlignPlan& plan) {
  InstrumentSettings meter = InstrumentSettings::Load(*InstrumentSettings::ProgramSettings());
  if (meter.meterUrl.isEmpty() && plan.meter.url.isEmpty()) {
    if (!m_host.EditMeterSettings()) return std::nullopt;
    meter = InstrumentSettings::Load(*InstrumentSettings::ProgramSettings());
    if (meter.meterUrl.isEmpty()) return std::nullopt;
  }
  if (std::abs(meter.attenuatorDb - plan.meter.offsetDb) > kSameAttenuatorDb &&
      !m_host.prompts().askYesNo(
          m_window,
          tr("校准方案的衰减器为 %1 dB，功率计设置为 %2 dB。\n按功率计设置的 %2 dB 校准吗?")
              .arg(plan.meter.offsetDb)
              .arg(meter.attenuatorDb))) {
    return std::nullopt;
  }
  if (meter.CalibrationOverdue(QDate::currentDate()) &&
      !m_host.prompts().askYesNo(m_window,
                                 tr("功率计的校准已于 %1 到期，读数可能不准。\n仍然自动校准吗?")
                                     .arg(meter.calibrationDue.toString(Qt::ISODate)))) {
    return std::nullopt;
  }
  return meter;
}

void AutoAlignment::Run(AlignJobSettings settings, int band, const QList<int>& tables) {
  auto start = std::make_shared<CalibrationImage>();
  m_host.CopyShownImage(*start);
  m_start = start;
  m_startedAt = std::chrono::system_clock::now();
  const AlignPlan plan = settings.plan;
  m_job = std::make_unique<AlignJob>(std::move(settings));
  m_result = std::make_shared<AlignOutcome>();
  connect(&m_job->reports(), &AlignRelay::Progress, this,
          [this](const QString& text, int done, int total) {
            m_host.ShowTransferProgress(text, done, total);
          });
  connect(&m_job->reports(), &AlignRelay::Tried, this, &AutoAlignment::OnTried);
  AlignJob* job = m_job.get();
  m_thread = QThread::create([job, start, result = m_result] { *result = job->Run(*start); });
  connect(m_thread, &QThread::finished, this, &AutoAlignment::OnThreadEnded);
  m_shownTable = -1;
  m_host.ShowTransferStatus();
  ShowWindows(plan, band, tables);
  m_thread->start();
}

void AutoAlignment::ShowWindows(const AlignPlan& plan, int band, const QList<int>& tables) {
  CurveWindow* curves = m_host.ShowCurves();
  if (!curves) return;  // the chart module could not be loaded; the user was told
  curves->ClearPower();
  for (int table : tables) {
    const PowerTarget& target = *plan.targets.at(std::size_t(band)).at(std::size_t(table));
    curves->SetPowerWindow(band, table, {target.watts, target.minWatts, target.maxWatts});
  }
}

// The table under alignment comes to the front as its first try is read.
void AutoAlignment::OnTried(int band, int table, int point, int level, double watts) {
  CBandPageDlg* page = m_host.bandPage(band);
  if (table != m_shownTable) {
    m_shownTable = table;
    m_host.ShowBand(band);
    page->levelTab()->SelectPage(table);
  }
  page->ShowLevel(table, point, level);
  if (CurveWindow* curves = m_host.curveWindow()) curves->ShowReading(band, table, point, watts);
}

void AutoAlignment::OnThreadEnded() {
  m_thread->deleteLater();
  m_thread = nullptr;
  m_job.reset();
  const AlignOutcome outcome = *m_result;
  m_result.reset();
  // Releases made while the run held the gate were for levels the run has replaced.
  m_host.bandPage(0)->CancelLiveRequests();
  m_host.bandPage(1)->CancelLiveRequests();
  const int applied = Apply(outcome);
  if (applied > 0) m_host.MarkModified();
  m_lastOutcome = outcome;
  const QString unkept = m_host.AlignmentEnded(outcome, *m_start, m_startedAt);
  m_start.reset();
  m_host.gate().Leave();
  if (!m_host.IsEnding()) Tell(outcome, applied, unkept);  // an ending session asks nothing
}

// Every slider a try moved shows the image's level again, and the aligned points take their
// levels from the aligned image, the very one the command line writes; a cancelled run keeps the
// image as it was. Returns the points applied.
int AutoAlignment::Apply(const AlignOutcome& outcome) {
  const bool keep = outcome.result == AlignOutcome::Result::Cancelled;
  CalibrationImage& image = m_host.image();
  int applied = 0;
  for (const PointResult& p : outcome.report.points) {
    const PointRef at = PointRef::From(p.band, p.table, p.point).value();
    if (!keep && p.verdict == AlignVerdict::Aligned) {
      image.SetLevel(at, outcome.aligned.Level(at));
      ++applied;
    }
    m_host.bandPage(p.band)->ShowLevel(p.table, p.point, image.Level(at));
  }
  return applied;
}

// As the command line: a partial result names its failed points and suggests no write.
QString AutoAlignment::OutcomeText(const AlignOutcome& outcome, int applied) {
  if (outcome.result == AlignOutcome::Result::Cancelled)
    return tr("自动校准已取消，窗口中的校准数据没有改变。");
  const auto& points = outcome.report.points;
  QString text = tr("自动校准: %1 个点中 %2 个已校准。").arg(points.size()).arg(applied);
  QStringList failed;
  for (const PointResult& p : points) {
    if (p.verdict == AlignVerdict::Aligned) continue;
    failed << QStringLiteral("%1 %2 %3: %4")
                  .arg(BandName(p.band), res::TableName(p.table), res::PointName(p.point, p.mhz),
                       VerdictText(p.verdict));
  }
  if (!failed.isEmpty()) text += '\n' + tr("未校准:") + '\n' + failed.join('\n');
  if (outcome.result == AlignOutcome::Result::Aligned && applied > 0)
    text += '\n' + tr("请用“写入”把校准数据写入对讲机。");
  else if (applied > 0)
    text += '\n' + tr("未校准的点保留原来的电平。");
  if (!outcome.error.isEmpty()) text += "\n\n" + outcome.error;
  return text;
}

void AutoAlignment::Tell(const AlignOutcome& outcome, int applied, const QString& unkept) {
  QString text = OutcomeText(outcome, applied);
  if (!unkept.isEmpty()) text += "\n\n" + unkept;
  const auto& points = outcome.report.points;
  const bool tried = std::any_of(points.begin(), points.end(),
                                 [](const PointResult& p) { return !p.tries.empty(); });
  if (!tried) {
    m_host.prompts().notify(m_window, text);
    return;
  }
  if (m_host.prompts().askSaveReport(m_window, text)) OfferReport(outcome);
}

void AutoAlignment::OfferReport(const AlignOutcome& outcome) {
  const QString path = m_host.prompts().chooseReportPath(m_window, m_planFolder);
  if (path.isEmpty()) return;
  const QByteArray json = outcome.report.ToJson();
  // The calibration file's own save: never half a report, never into a FIFO or a device.
  const SafeFile::Result saved =
      SafeFile::Write(path.toStdString(), std::string_view(json.constData(), json.size()));
  if (saved.ok()) return;
  m_host.prompts().notify(m_window,
                          tr("保存 %1 失败:\n%2").arg(path, QString::fromStdString(saved.Text())));
}

}  // namespace velmora
