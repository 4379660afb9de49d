#include "cli/JobRecorder.h"

#include <optional>

namespace velmora {
namespace {

// --records, else the settings' line.
QString LineUrlOf(const std::optional<std::string>& named) {
  return named ? QString::fromStdString(*named) : RecordKeeper::SettingsUrl();
}

}  // namespace

const std::set<std::string>& JobRecorder::Options() {
  static const std::set<std::string> options = {"--serial", "--lot", "--operator", "--records"};
  return options;
}

JobRecorder::JobRecorder(const CliArguments& args) {
  const std::string serial = args.Value("--serial").value_or("");
  const std::string lot = args.Value("--lot").value_or("");
  // The settings, the login name and the database are read there, while the job starts.
  auto open = [this, serial, lot, who = args.Value("--operator"), url = args.Value("--records")] {
    m_held.reset(new Held{RecordKeeper(serial, lot, who.value_or(RecordKeeper::LoginName())),
                          LineUrlOf(url)});
    std::string error;
    m_held->keeper.Open(error);
    return error;
  };
  m_opening = m_thread.Post(std::move(open)).share();
}

JobRecorder::~JobRecorder() {
  // A connection is closed on the thread that opened it.
  m_thread.Post([this] { m_held.reset(); }).wait();
}

QString JobRecorder::LineUrl(const CliArguments& args) {
  return LineUrlOf(args.Value("--records"));
}

bool JobRecorder::Open(std::ostream& err) {
  const std::string& error = m_opening.get();
  if (error.empty()) return true;
  if (!m_openingTold) err << "records: the bench's database cannot be opened: " << error << "\n";
  m_openingTold = true;
  return false;
}

JobRecorder::PendingCommit JobRecorder::BeginCommit(const Job& job) {
  return m_thread.Post([this, job] {
    std::string error;
    m_held->keeper.Commit(job, error);
    return error;
  });
}

bool JobRecorder::FinishCommit(PendingCommit& pending, std::ostream& err) {
  const std::string error = pending.get();
  if (error.empty()) return true;
  Open(err);
  err << "records: this job's record was not kept: " << error << "\n";
  return false;
}

bool JobRecorder::Commit(const Job& job, std::ostream& err) {
  PendingCommit pending = BeginCommit(job);
  return FinishCommit(pending, err);
}

void JobRecorder::Forward(std::ostream& err) {
  const auto result = m_thread
                          .Post([this]() -> std::optional<RecordKeeper::Forwarding> {
                            RecordStore* bench = m_held->keeper.store();
                            if (m_held->lineUrl.isEmpty() || !bench) return std::nullopt;
                            return RecordKeeper::Forward(*bench, m_held->lineUrl, kForwardLimit);
                          })
                          .get();
  if (!result || (result->reached && result->waiting == 0)) return;
  if (!result->reached)
    err << "records: the line's database is not reachable (" << result->error << ")\n";
  else if (!result->error.empty())
    err << "records: forwarding stopped: " << result->error << "\n";
  err << "records: " << result->waiting
      << " waiting for the line's database (velmora-cli records sync)\n";
}

}  // namespace velmora
