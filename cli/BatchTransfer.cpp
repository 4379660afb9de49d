#include "cli/BatchTransfer.h"

#include <sys/stat.h>

#include <QElapsedTimer>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>

#include "cli/CliRun.h"
#include "cli/WriteAftermath.h"
#include "radio/PortNames.h"
#include "transfer/StopSignals.h"

namespace velmora {
namespace {

// Keeps a job's outcome instead of showing it: the batch prints one line per port.
class OutcomeRecorder : public MessagePresenter {
 public:
  void ShowMessage(const std::string& text) override {
    const std::lock_guard lock(m_mutex);
    m_text = text;
  }
  std::string text() const {
    const std::lock_guard lock(m_mutex);
    return m_text;
  }

 private:
  mutable std::mutex m_mutex;
  std::string m_text;
};

// One port's share of the batch.
struct PortJob {
  int port = 0;
  CalibrationImage image;
  CTransferJob job;
  OutcomeRecorder presenter;
  QElapsedTimer clock;
};

bool ParseNumber(const std::string& text, int& value) {
  if (text.empty() || text.size() > 2) return false;
  value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return value >= 1 && value < CTransferJob::kPortLimit;
}

}  // namespace

std::optional<std::vector<int>> BatchTransfer::ParsePorts(const std::string& text,
                                                          std::string& error) {
  std::vector<int> ports;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    const std::string item = text.substr(start, comma - start);
    const std::size_t dash = item.find('-');
    int first = 0, last = 0;
    const bool ok = dash == std::string::npos
                        ? ParseNumber(item, first) && ParseNumber(item, last)
                        : ParseNumber(item.substr(0, dash), first) &&
                              ParseNumber(item.substr(dash + 1), last) && first <= last;
    if (!ok) {
      error = "--ports takes COM numbers 1-9 as a list or ranges, such as 1-8 or 1,3,5: \"" + text +
              "\"";
      return std::nullopt;
    }
    for (int p = first; p <= last; ++p) {
      if (std::find(ports.begin(), ports.end(), p) == ports.end()) ports.push_back(p);
    }
    start = comma + 1;
  }
  return ports;
}

std::string BatchTransfer::SharedDevice(const std::vector<int>& ports) {
  const PortNames names;
  // A device node is known by its device number, whatever its path; anything else by its inode.
  std::map<std::tuple<bool, std::uint64_t, std::uint64_t>, std::pair<int, std::string>> seen;
  for (const int port : ports) {
    const std::string name = "COM" + std::to_string(port);
    const std::string path = names.Resolve(name);
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) continue;  // fails on its own line
    const bool device = S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode);
    const auto key = std::make_tuple(device, std::uint64_t(device ? st.st_rdev : st.st_dev),
                                     std::uint64_t(device ? 0 : st.st_ino));
    const auto [it, added] = seen.try_emplace(key, port, path);
    if (added) continue;
    return "COM" + std::to_string(it->second.first) + " (" + it->second.second + ") and " + name +
           " (" + path + ") are one device; name each radio's port once";
  }
  return {};
}

std::vector<BatchTransfer::PortResult> BatchTransfer::Run(int operation,
                                                          const std::vector<int>& ports,
                                                          const Prepare& prepare,
                                                          const TransferOptions& options,
                                                          const CTransferJob::PortFactory& factory,
                                                          const Finished& finished) {
  std::vector<std::unique_ptr<PortJob>> jobs;
  std::vector<PortResult> results;
  auto report = [&](PortJob& one, PortResult result) {
    if (finished) finished(result, one.image);
    results.push_back(std::move(result));
  };
  std::vector<CliRun::Task> tasks;
  for (const int port : ports) {
    auto one = std::make_unique<PortJob>();
    one->port = port;
    one->image.LoadDefaults();
    if (prepare && !prepare(one->image, port)) {
      report(*one, {port, false, CTransferJob::kFailureText, "not started", {}, 0, {}});
      continue;
    }
    one->image.setPortNumber(port);
    TransferOptions strict = options;
    strict.onlyStoredPort = true;  // a batch never falls through to another radio's port
    one->job.SetPresenter(&one->presenter);
    one->job.SetPortFactory(factory);
    one->job.SetOptions(strict);
    one->job.SetWriteStarting([port](const std::string& backup) {
      StopSignals::SetLastWords(port, WriteAftermath::Interrupted(backup, port));
    });
    one->job.Begin({&one->image, operation, {}});  // before any cancel: beginning clears them
    one->clock.start();
    PortJob* raw = one.get();
    tasks.push_back(CliRun::Transfer(raw->job, [raw, &report](int) {
      const TransferOutcome ended = raw->job.Outcome();
      StopSignals::SetLastWords(raw->port, {});
      report(*raw, {raw->port, ended.succeeded(), raw->presenter.text(), raw->job.Detail(),
                    raw->job.BackupPath(), raw->clock.nsecsElapsed() / 1e9, ended});
    }));
    jobs.push_back(std::move(one));
  }
  CliRun(CliRun::Where::Workers, nullptr).Run(std::move(tasks));
  return results;
}

}  // namespace velmora
