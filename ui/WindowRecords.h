#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <chrono>
#include <set>
#include <utility>

#include "records/job/RecordKeeper.h"
#include "transfer/AskedPresenter.h"
#include "transfer/TransferOutcome.h"

class QLabel;
class QLineEdit;
class QThread;
class QWidget;

namespace velmora {

struct AlignOutcome;
class RecordsHost;
class RecordForwarding;

// The window's production records: every read, write and automatic alignment of the window is
// committed to the bench's database before its outcome is shown, with the serial scanned into
// 序列号 and the login name as the operator; the bench's queue goes to the line's database on a
// worker thread, and the top row says how many records wait for it.
class WindowRecords : public QObject {
  Q_OBJECT

 public:
  static constexpr const char* kSerialText = QT_TR_NOOP("序列号:");
  static constexpr const char* kWaitingText = QT_TR_NOOP("待上传记录: %1");
  static constexpr const char* kNotKeptText = QT_TR_NOOP("本次记录未能保存: %1");

  // window: the parent of the serial row and the history; host: what the records need of it;
  // shown: what shows the window's job's outcome, with why its record was not kept below it.
  WindowRecords(QWidget* window, RecordsHost& host, AskedPresenter* shown);
  ~WindowRecords() override;

  QLineEdit* serialEdit() const { return m_serial; }
  // 文件 → 历史记录...: the bench's jobs for a serial (the one scanned, to begin with).
  void ShowHistory();
  QLabel* waitingLabel() const { return m_waiting; }
  // The live tunes since the last read, write or save as one record of kind "live", before the
  // next of those; nothing when there were none. A record not kept is said in a box.
  void RecordLiveTuning();
  // An automatic alignment as it ended, from the image it started with: why its record was not
  // kept, "" when it was.
  QString AlignmentEnded(const AlignOutcome& outcome, const CalibrationImage& before,
                         std::chrono::system_clock::time_point started);

 signals:
  void ForwardRequested();

 private:
  void OnJobFinished(int operation, const TransferOutcome& outcome);
  QString Commit(const RecordKeeper::Job& job);
  void ShowWaiting(qint64 waiting);
  void StartForwarding();
  void NoteLiveTune(int band, int table);
  QString KeepLiveTuning();
  void HeldImage(CalibrationImage& copy) const;

  QWidget* m_window;
  RecordsHost& m_host;
  RecordKeeper m_keeper;
  QLineEdit* m_serial = nullptr;
  QLabel* m_waiting = nullptr;
  std::chrono::system_clock::time_point m_started;
  // The run of live tuning under way: how many tunes, of which tables, from when to when.
  struct LiveRun {
    int tunes = 0;
    std::set<std::pair<int, int>> tables;  // band, table or tone group
    std::chrono::system_clock::time_point first, last;
  } m_live;
  QThread* m_thread = nullptr;
  RecordForwarding* m_forwarding = nullptr;  // lives on m_thread
  QString m_problem;  // why the last job's record was not kept, shown with its outcome
};

}  // namespace velmora
