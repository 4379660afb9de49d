#pragma once

#include <functional>
#include <ostream>
#include <vector>

#include "transfer/CTransferJob.h"
#include "transfer/JobRelay.h"

namespace velmora {

// The one way velmora-cli runs its jobs: each task's blocking body runs, the tasks' news reaches
// one progress line, a stop signal (Ctrl-C, SIGTERM, SIGHUP) becomes every task's cancel, once,
// and the command gets an exit code back. A command that catches the signals for all its steps
// keeps its own catcher: a signal it received, even before this run, still cancels the tasks.
class CliRun {
 public:
  // Where the bodies run: on worker threads while this thread turns an event loop that carries
  // the news and the signals, or here, one after another, for a single transfer that is faster
  // without a thread and a loop beside it; the bodies then poll the stop between exchanges.
  enum class Where { Here, Workers };

  struct Task {
    // Blocks until the job has ended; returns the task's exit code.
    std::function<int()> body;
    // Any thread: asks the body to end at its next pause.
    std::function<void()> cancel;
    // The job's news, for the progress line; null for a task that shows none.
    JobRelay* relay = nullptr;
    // On this thread, as soon as the body has returned, with its exit code.
    std::function<void(int code)> ended;
  };

  // progress: the terminal the line goes to, null for none.
  CliRun(Where where, std::ostream* progress) : m_where(where), m_progress(progress) {}

  // A transfer job that has begun, as a task: its Run, its cancel (and the stop polled between
  // its exchanges) and its news.
  static Task Transfer(CTransferJob& job, std::function<void(int code)> ended = {});

  // Runs every task to its end; the highest of their exit codes (0 for no task).
  int Run(std::vector<Task> tasks) const;

 private:
  class Canceller;
  static int RunHere(std::vector<Task>& tasks, Canceller& canceller);
  static int RunOnWorkers(std::vector<Task>& tasks, Canceller& canceller, bool ownCatcher);

  Where m_where;
  std::ostream* m_progress;
};

}  // namespace velmora
