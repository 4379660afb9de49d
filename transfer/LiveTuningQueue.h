#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <optional>

#include "core/ImageLayout.h"
#include "core/LiveCommandComposer.h"
#include "transfer/CTransferJob.h"
#include "transfer/TransferGate.h"

namespace velmora {

class CTestThread;

// The live tuning of one band, for whoever composes its commands (a page, a script, a job): a
// command armed for a table waits 400 ms, restarted by every newer command of that table, and
// then until no transfer runs; its request then joins the queue, where a table keeps one place,
// and the queue runs one live job at a time through the one-transfer gate. A request's command
// is handed to its own job as a value when that job starts.
class LiveTuningQueue : public QObject {
  Q_OBJECT

 public:
  using Command = LiveCommandComposer::Command;
  // The debounce of a request, and how often a waiting one looks again whether a transfer runs.
  static constexpr std::chrono::milliseconds kRequestPeriod{400};
  // A request that sends the command the image holds when its job starts.
  static constexpr int kImageCommand = -1;
  static constexpr int LevelTable(int table) { return table; }
  static constexpr int ToneGroup(int group) { return layout::kTablesPerBand + group; }

  explicit LiveTuningQueue(CalibrationImage* image = nullptr, QObject* parent = nullptr);
  // A live worker may still be on its way out of the job record and the gate.
  ~LiveTuningQueue() override;

  void SetImage(CalibrationImage* image) { m_image = image; }
  // The window's gate: a live tune waits while a read or write runs, and the other way round.
  void SetTransferGate(TransferGate* gate);
  CTransferJob& job() { return m_job; }

  // Keeps the table's command and starts its wait, or begins the wait again.
  void Arm(int table, const Command& command);
  // The table's request joins the queue now (replacing its waiting one) and starts when it can;
  // without a command it sends the image's stored liveCommand as it stands then.
  void Request(int table, const std::optional<Command>& command);
  // Forgets the table's armed command, or every armed and queued request.
  void Cancel(int table);
  void CancelAll();

  bool IsArmed(int table) const;
  // The command the table was armed with last; it stays after its request was made.
  std::optional<Command> Composed(int table) const;
  // A request waits while another transfer runs.
  bool IsDeferred() const { return !m_waiting.empty(); }

 signals:
  // A table's request has joined the queue.
  void Requested(int table);

 private:
  struct Table {
    std::unique_ptr<QTimer> timer;
    std::optional<Command> command;
  };
  struct Waiting {
    int table;
    std::optional<Command> command;
  };

  Table& At(int table);
  void OnTick(int table);
  void StartNext();
  Command StoredCommand() const;

  CalibrationImage* m_image;
  TransferGate* m_gate = nullptr;
  CTransferJob m_job;
  std::map<int, Table> m_tables;
  std::deque<Waiting> m_waiting;
  QPointer<CTestThread> m_thread;  // the live job started last
};

}  // namespace velmora
