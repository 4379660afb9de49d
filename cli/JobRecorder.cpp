#include "cli/JobRecorder.h"

namespace velmora {

const std::set<std::string>& JobRecorder::Options() {
  static const std::set<std::string> options = {"--serial", "--lot", "--operator", "--records"};
  return options;
}

JobRecorder::JobRecorder(const CliArguments& args)
    : m_keeper(args.Value("--serial").value_or(""), args.Value("--lot").value_or(""),
               args.Value("--operator").value_or(RecordKeeper::LoginName())),
      m_lineUrl(LineUrl(args)) {}

QString JobRecorder::LineUrl(const CliArguments& args) {
  if (const auto url = args.Value("--records")) return QString::fromStdString(*url);
  return RecordKeeper::SettingsUrl();
}

bool JobRecorder::Open(std::ostream& err) {
  std::string error;
  if (m_keeper.Open(error)) return true;
  err << "records: the bench's database cannot be opened: " << error << "\n";
  return false;
}

bool JobRecorder::Commit(const Job& job, std::ostream& err) {
  std::string error;
  if (m_keeper.Commit(job, error)) return true;
  err << "records: this job's record was not kept: " << error << "\n";
  return false;
}

void JobRecorder::Forward(std::ostream& err) {
  if (m_lineUrl.isEmpty() || !m_keeper.store()) return;
  const auto result = RecordKeeper::Forward(*m_keeper.store(), m_lineUrl, kForwardLimit);
  if (result.reached && result.waiting == 0) return;
  if (!result.reached)
    err << "records: the line's database is not reachable (" << result.error << ")\n";
  else if (!result.error.empty())
    err << "records: forwarding stopped: " << result.error << "\n";
  err << "records: " << result.waiting
      << " waiting for the line's database (velmora-cli records sync)\n";
}

}  // namespace velmora
