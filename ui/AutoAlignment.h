#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <chrono>
#include <memory>
#include <optional>

#include "align/AlignJob.h"
#include "transfer/CTransferJob.h"

class QThread;
class QWidget;

namespace velmora {

class AlignmentHost;

// The window's side of an automatic alignment ("自动校准"): asks for the plan, takes the meter
// settings, holds the window's one-transfer gate for the whole run, runs the job on a worker
// thread, follows each try in the sliders, the status row and the curve view, and at the end
// puts the aligned levels into the window's image and pages, tells the outcome and offers the
// report. A cancelled run changes nothing in the image.
class AutoAlignment : public QObject {
  Q_OBJECT

 public:
  // window: the parent of the run's questions; host: what the run needs of that window.
  AutoAlignment(QWidget* window, AlignmentHost& host, CTransferJob::PortFactory portFactory);
  ~AutoAlignment() override;

  // The tables of the band, in order; refused while any transfer runs.
  void Start(int band, const QList<int>& tables);
  void Cancel();
  bool IsRunning() const { return m_job != nullptr; }
  // How the run that ended last went; nothing before one ended.
  const std::optional<AlignOutcome>& lastOutcome() const { return m_lastOutcome; }

 private:
  std::optional<AlignPlan> ChoosePlan();
  std::optional<InstrumentSettings> MeterInUse(const AlignPlan& plan);
  bool HasTargets(const AlignPlan& plan, int band, const QList<int>& tables);
  void Run(AlignJobSettings settings, int band, const QList<int>& tables);
  void ShowWindows(const AlignPlan& plan, int band, const QList<int>& tables);
  void OnTried(int band, int table, int point, int level, double watts);
  void OnThreadEnded();
  int Apply(const AlignOutcome& outcome);
  static QString OutcomeText(const AlignOutcome& outcome, int applied);
  // unkept: why the run's record was not kept, "" when it was.
  void Tell(const AlignOutcome& outcome, int applied, const QString& unkept);
  void OfferReport(const AlignOutcome& outcome);

  QWidget* m_window;
  AlignmentHost& m_host;
  CTransferJob::PortFactory m_portFactory;
  std::unique_ptr<AlignJob> m_job;
  QPointer<QThread> m_thread;
  std::shared_ptr<AlignOutcome> m_result;  // written by the worker, read once it has ended
  std::optional<AlignOutcome> m_lastOutcome;
  std::shared_ptr<CalibrationImage> m_start;  // the image the run started from, for its record
  std::chrono::system_clock::time_point m_startedAt;
  QString m_planFolder;   // of the plan running: where its report is offered
  int m_shownTable = -1;  // the table whose tries the level tab shows
};

}  // namespace velmora
