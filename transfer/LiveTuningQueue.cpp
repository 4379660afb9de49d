#include "transfer/LiveTuningQueue.h"

#include <algorithm>

#include "transfer/CTestThread.h"

namespace velmora {

LiveTuningQueue::LiveTuningQueue(CalibrationImage* image, QObject* parent)
    : QObject(parent), m_image(image) {}

LiveTuningQueue::~LiveTuningQueue() {
  m_job.reports().Close();  // a worker waiting on its outcome's box goes on
  if (m_thread) m_thread->Join();
}

void LiveTuningQueue::SetTransferGate(TransferGate* gate) {
  if (m_gate) disconnect(m_gate, nullptr, this, nullptr);
  m_gate = gate;
  if (m_gate) connect(m_gate, &TransferGate::Released, this, &LiveTuningQueue::StartNext);
}

LiveTuningQueue::Table& LiveTuningQueue::At(int table) {
  Table& entry = m_tables[table];
  if (!entry.timer) {
    entry.timer = std::make_unique<QTimer>();
    // A coarse timer may fire up to 5 % early or late; the debounce is 400 ms exactly.
    entry.timer->setTimerType(Qt::PreciseTimer);
    entry.timer->setInterval(kRequestPeriod);
    connect(entry.timer.get(), &QTimer::timeout, this, [this, table] { OnTick(table); });
  }
  return entry;
}

void LiveTuningQueue::Arm(int table, const Command& command) {
  Table& entry = At(table);
  entry.command = command;
  entry.timer->start();
}

void LiveTuningQueue::OnTick(int table) {
  if (!m_image || m_image->busy()) return;  // stays armed until the running transfer has ended
  Table& entry = At(table);
  entry.timer->stop();
  if (entry.command) Request(table, entry.command);
}

void LiveTuningQueue::Request(int table, const std::optional<Command>& command) {
  auto same = m_waiting.end();
  if (table != kImageCommand) {
    same = std::find_if(m_waiting.begin(), m_waiting.end(),
                        [table](const Waiting& w) { return w.table == table; });
  }
  if (same != m_waiting.end()) {
    same->command = command;
  } else {
    m_waiting.push_back({table, command});
  }
  emit Requested(table);
  StartNext();
}

// One transfer at a time on the line: a request that finds a job running waits for it to end.
void LiveTuningQueue::StartNext() {
  if (m_waiting.empty() || !m_image) return;
  const Command command = m_waiting.front().command.value_or(StoredCommand());
  CTestThread* thread = CTestThread::StartJob(m_job, JobOrder::Live(m_image, command), {}, m_gate);
  if (!thread) return;
  m_waiting.pop_front();
  m_thread = thread;
  connect(thread, &QThread::finished, this, &LiveTuningQueue::StartNext);
}

LiveTuningQueue::Command LiveTuningQueue::StoredCommand() const {
  Command command{};
  const auto lock = m_image->Lock();
  const auto stored = m_image->liveCommand();
  std::copy(stored.begin(), stored.end(), command.begin());
  return command;
}

void LiveTuningQueue::Cancel(int table) {
  const auto it = m_tables.find(table);
  if (it != m_tables.end()) it->second.timer->stop();
}

void LiveTuningQueue::CancelAll() {
  m_waiting.clear();
  for (auto& [table, entry] : m_tables) entry.timer->stop();
}

bool LiveTuningQueue::IsArmed(int table) const {
  const auto it = m_tables.find(table);
  return it != m_tables.end() && it->second.timer->isActive();
}

std::optional<LiveTuningQueue::Command> LiveTuningQueue::Composed(int table) const {
  const auto it = m_tables.find(table);
  return it == m_tables.end() ? std::nullopt : it->second.command;
}

}  // namespace velmora
