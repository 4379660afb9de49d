#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QString>
#include <functional>
#include <memory>

#include "ui/StationSession.h"

class QLabel;
class QLineEdit;
class QMenuBar;
class QTableWidget;

namespace velmora {

// The operator's view of a line station ("产线模式"): the plan, meter and port chosen once and
// shown, one large 序列号 field with the focus, the steps with their state and time, and a large
// PASS or FAIL with the reason and the failed points, kept until the next scan. Nothing in it
// changes the plan, the limits or the meter; the mode is left through its menu alone.
class StationView : public QDialog {
  Q_OBJECT

 public:
  // A step's states, source texts shown through tr().
  static constexpr const char* kRunning = QT_TR_NOOP("进行中");
  static constexpr const char* kDone = QT_TR_NOOP("完成");
  static constexpr const char* kFailed = QT_TR_NOOP("失败");
  static constexpr const char* kSkipped = QT_TR_NOOP("跳过");

  struct Shown {
    QString planName;
    QString meter;  // its URL, and its calibration due date where one is kept
    int port = 1;
  };
  // Asked before a serial already recorded as PASS today runs again; true runs it.
  using AskAgain = std::function<bool(QWidget* parent, const QString& serial)>;
  // Whether this serial passed today, from the bench's records.
  using PassedToday = std::function<bool(const QString& serial)>;

  StationView(QWidget* parent, std::unique_ptr<StationSession> session, const Shown& shown,
              PassedToday passedToday, AskAgain askAgain);
  ~StationView() override;

  QLineEdit* serialField() const { return m_serial; }
  QLabel* verdictLabel() const { return m_verdict; }
  QLabel* reasonLabel() const { return m_reason; }
  QTableWidget* stepsTable() const { return m_steps; }
  QAction* leaveAction() const { return m_leave; }
  bool IsBusy() const { return m_session->IsBusy(); }
  // How the last radio ended, for those who read values rather than texts.
  std::optional<StationSession::Result> lastResult() const { return m_lastResult; }

  // The steps of a radio, in order, as the station names them.
  static const QStringList& StepNames();

 signals:
  void RadioFinished(const QString& serial, const velmora::StationSession::Result& result);

 protected:
  void reject() override;  // Esc does not leave the mode; the menu does
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void BuildMenu();
  QWidget* BuildHeader(const Shown& shown);
  QWidget* BuildSteps();
  void OnScanned();
  void OnStep(const QString& step);
  void OnRadioFinished(const QString& serial, const StationSession::Result& result);
  void OnEnded(const QString& why);
  void SetStep(int row, const QString& state, bool timed);
  void ShowVerdict(const std::optional<StationSession::Result>& result);
  void Leave();

  std::unique_ptr<StationSession> m_session;
  PassedToday m_passedToday;
  AskAgain m_askAgain;
  QMenuBar* m_menuBar = nullptr;
  QAction* m_leave = nullptr;
  QLineEdit* m_serial = nullptr;
  QTableWidget* m_steps = nullptr;
  QLabel* m_verdict = nullptr;
  QLabel* m_reason = nullptr;
  int m_step = -1;  // the row of the step under way
  QElapsedTimer m_stepClock;
  std::optional<StationSession::Result> m_lastResult;
  bool m_leaving = false;
};

}  // namespace velmora
