#include "cli/CliRun.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>

#include "cli/CliImage.h"
#include "cli/ProgressLine.h"
#include "transfer/StopSignals.h"

namespace velmora {
namespace {

// How soon a signal caught by the command's own catcher reaches tasks on workers.
constexpr std::chrono::milliseconds kStopPoll{50};

}  // namespace

// Cancels every task once: a second cancel would cut a write's blocks short, which only a second
// signal may do (and that one ends the program).
class CliRun::Canceller {
 public:
  explicit Canceller(std::vector<Task>& tasks) : m_tasks(tasks) {}

  void CancelOnce() {
    if (m_cancelled) return;
    m_cancelled = true;
    for (Task& task : m_tasks)
      if (task.cancel) task.cancel();
  }
  void CancelIfStopped() {
    if (StopSignals::Received() != 0) CancelOnce();
  }

 private:
  std::vector<Task>& m_tasks;
  bool m_cancelled = false;
};

CliRun::Task CliRun::Transfer(CTransferJob& job, std::function<void(int code)> ended) {
  // A body run here hears a signal only by polling it; so does one whose command caught the
  // signal before the job began.
  job.SetCancelRequested([] { return StopSignals::Received() != 0; });
  return {.body =
              [&job] {
                job.Run();
                return job.Outcome().succeeded() ? kExitOk : kExitTransferFailed;
              },
          .cancel = [&job] { job.Cancel(); },
          .relay = &job.reports(),
          .ended = std::move(ended)};
}

int CliRun::Run(std::vector<Task> tasks) const {
  const ProgressLine line(m_progress);
  for (const Task& task : tasks)
    if (task.relay) line.Follow(*task.relay);
  Canceller canceller(tasks);
  std::optional<StopSignals> own;
  if (!StopSignals::Installed()) {
    own.emplace([&canceller](int) { canceller.CancelOnce(); },
                m_where == Where::Workers ? StopSignals::Delivery::EventLoop
                                          : StopSignals::Delivery::Polled);
  }
  const int code = m_where == Where::Here ? RunHere(tasks, canceller)
                                          : RunOnWorkers(tasks, canceller, own.has_value());
  line.Clear();
  return code;
}

int CliRun::RunHere(std::vector<Task>& tasks, Canceller& canceller) {
  int code = 0;
  for (Task& task : tasks) {
    canceller.CancelIfStopped();
    const int ended = task.body();
    if (task.ended) task.ended(ended);
    code = std::max(code, ended);
  }
  return code;
}

int CliRun::RunOnWorkers(std::vector<Task>& tasks, Canceller& canceller, bool ownCatcher) {
  if (tasks.empty()) return 0;
  QEventLoop loop;
  std::vector<int> codes(tasks.size(), 0);
  std::vector<std::unique_ptr<QThread>> workers;
  std::size_t running = tasks.size();
  int code = 0;
  for (std::size_t i = 0; i < tasks.size(); ++i) {
    Task& task = tasks[i];
    int& result = codes[i];
    workers.emplace_back(QThread::create([&task, &result] { result = task.body(); }));
    QObject::connect(workers.back().get(), &QThread::finished, &loop, [&, i] {
      // The news posted before the body returned comes first.
      if (tasks[i].relay) QCoreApplication::sendPostedEvents(tasks[i].relay);
      if (tasks[i].ended) tasks[i].ended(codes[i]);
      code = std::max(code, codes[i]);
      if (--running == 0) loop.quit();
    });
  }
  QTimer poll;
  if (!ownCatcher) {
    QObject::connect(&poll, &QTimer::timeout, [&canceller] { canceller.CancelIfStopped(); });
    poll.start(kStopPoll);
  }
  canceller.CancelIfStopped();  // a signal before this run: nothing is tried
  for (const auto& worker : workers) worker->start();
  loop.exec();
  for (const auto& worker : workers) worker->wait();
  return code;
}

}  // namespace velmora
