#include "cli/TransferCommands.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "cli/BatchCommands.h"
#include "cli/CliArguments.h"
#include "cli/CliImage.h"
#include "cli/CliJobRunner.h"
#include "cli/JobRecorder.h"
#include "cli/ReadOutputFile.h"
#include "core/HexText.h"
#include "core/LiveCommandComposer.h"
#include "core/SafeFile.h"
#include "transfer/DataFolder.h"

namespace velmora {
namespace {

constexpr const char* kReadUsage =
    "usage: velmora-cli read OUT.dat [--port N] [--scan] [--from IN.dat] [--verify] [--quiet]\n"
    "       velmora-cli read FOLDER --ports 1-8|1,3,5 [--verify]\n"
    "Reads the radio into the default image (or into IN.dat's image, whose region headers and\n"
    "port are then used) and saves the 308 bytes to OUT.dat. OUT.dat is checked before the radio\n"
    "is read; if saving still fails, the bytes are saved in the data folder's rescue folder and\n"
    "the exit status is 2. --verify: read every region twice and re-read (up to 3 times) a\n"
    "region whose copies differ.\n"
    "Ports: --port N talks to COMN only (four handshake attempts, never another port); --scan\n"
    "tries the stored port (or N) first and then COM1..COM9, as the window does; with neither,\n"
    "the scan starts at the file's stored port. --quiet: no progress on stderr.\n"
    "--ports reads several radios at once, each on its own port only, into\n"
    "FOLDER/COMn-YYYYMMDD-HHMMSS.dat, with a line per port and a summary; exit 0 only when\n"
    "every port succeeded.\n";
constexpr const char* kWriteUsage =
    "usage: velmora-cli write IN.dat [--port N] [--scan] [--force] [--no-backup] [--no-verify]\n"
    "                              [--backup-dir DIR] [--keep-backups N|all] [--quiet]\n"
    "       velmora-cli write IN.dat --ports 1-8|1,3,5 [--force] [--no-backup] [--no-verify]\n"
    "                              [--backup-dir DIR] [--keep-backups N|all]\n"
    "Writes IN.dat into the radio. A file that is not exactly 308 bytes is refused unless\n"
    "--force is given. First the bytes about to change are read and saved as a backup file\n"
    "(its path is printed; --no-backup skips it) in the data folder's private backups folder,\n"
    "or in DIR (created if missing; its files follow the umask); afterwards every written block\n"
    "is read back and compared (--no-verify skips it). After a successful write, the port's\n"
    "backups that are older than a year and not among its newest 20 are removed (--keep-backups\n"
    "N keeps the newest N instead, --keep-backups all removes none); never the one just made.\n"
    "Ctrl-C, SIGTERM or SIGHUP cancel at the next pause; after a cancelled or failed write, each\n"
    "port says how far its radio was changed (已写入 k/14 块) and prints the command that writes\n"
    "the backup back (restore: ...).\n"
    "Ports: --port N talks to COMN only (four handshake attempts, never another port); --scan\n"
    "tries the stored port (or N) first and then COM1..COM9, as the window does; with neither,\n"
    "the scan starts at the file's stored port. --quiet: no progress on stderr.\n"
    "--ports writes the file into several radios at once, each on its own port only, each\n"
    "with its own backup and verify; a line per port and a summary; exit 0 only when every\n"
    "port succeeded.\n";
constexpr const char* kLiveUsage =
    "usage: velmora-cli live --band A|B --table 0|1|2 --point K --value V [--from IN.dat]\n"
    "       velmora-cli live --band A|B --column K --tone HZ --value V [--from IN.dat]\n"
    "       [--port N] [--scan] [--quiet]\n"
    "Sends one live-tuning command, composed as the level-table (table 0-2, point 0-15) or\n"
    "tone-level (column 0-7, tone such as 67.0) page composes it, with base and step from the\n"
    "default image or IN.dat.\n"
    "Ports: --port N talks to COMN only (four handshake attempts, never another port); --scan\n"
    "tries the stored port (or N) first and then COM1..COM9, as the window does; with neither,\n"
    "the scan starts at the file's stored port. --quiet: no progress on stderr.\n";

const std::set<std::string> kPortFlags = {"--help", "--scan", "--quiet"};

std::set<std::string> With(std::set<std::string> flags, std::initializer_list<const char*> more) {
  flags.insert(more.begin(), more.end());
  return flags;
}

// A recorded command's value options: its own and the records' ones.
std::set<std::string> Recorded(std::initializer_list<const char*> own) {
  return With(JobRecorder::Options(), own);
}

// The help of a recorded command, with the records' options.
std::string RecordedUsage(const char* usage) {
  return std::string(usage) + JobRecorder::kOptionsUsage;
}

}  // namespace

TransferOptions TransferCommands::PortOptions(const CliArguments& args) {
  TransferOptions options;
  options.onlyStoredPort = args.Has("--port") && !args.Has("--scan");
  return options;
}

std::ostream* TransferCommands::ProgressStream(const CliArguments& args) {
  return !args.Has("--quiet") && ::isatty(STDERR_FILENO) ? &std::cerr : nullptr;
}

bool TransferCommands::PrepareImage(const CliArguments& args,
                                    const std::optional<std::string>& file, CliImage::Size size,
                                    CalibrationImage& image, std::ostream& err) {
  image.LoadDefaults();
  if (file && !CliImage::Load(*file, image, size, err)) return false;
  std::string error;
  const auto port = args.Int("--port", error);
  if (!error.empty()) {
    err << error << "\n";
    return false;
  }
  if (port) image.setPortNumber(*port);
  image.setBusy(false);
  return true;
}

namespace {

// --keep-backups N|all into the options; false (error set) for anything else.
bool KeepBackups(const CliArguments& args, TransferOptions& options, std::string& error) {
  const auto keep = args.Value("--keep-backups");
  if (!keep) return true;
  if (*keep == "all") {
    options.keepBackups = TransferOptions::kKeepAllBackups;
    return true;
  }
  const auto number = args.Int("--keep-backups", error);
  if (error.empty() && *number >= 0) {
    options.keepBackups = *number;
    return true;
  }
  error = "--keep-backups needs a number of backups or all, not \"" + *keep + "\"";
  return false;
}

// --ports names every port itself: a port, a scan or a source image beside it would be ignored.
bool BatchAlone(const CliArguments& args, std::initializer_list<const char*> others,
                std::ostream& err) {
  for (const char* other : others) {
    if (!args.Has(other)) continue;
    err << "--ports cannot be combined with " << other << "\n";
    return false;
  }
  return true;
}

// Where a write's backup will go, settled before the radio is touched: the folder named with
// --backup-dir (made now), else the data folder, which must be an absolute one.
bool BackupFolder(const CliArguments& args, TransferOptions& options, std::ostream& err) {
  const auto named = args.Value("--backup-dir");
  if (!named) {
    QString problem;
    if (!DataFolder::Location(QStringLiteral("backups"), &problem).isEmpty()) return true;
    err << problem.toStdString() << ", or give --backup-dir DIR; nothing was written\n";
    return false;
  }
  const SafeFile::Result made = SafeFile::MakeFolders(*named, SafeFile::Access::Shared);
  if (!made.ok()) {
    err << "--backup-dir " << SafeFile::Shown(*named) << ": " << made.Text()
        << "; nothing was written\n";
    return false;
  }
  options.backupFolder = QString::fromStdString(*named);
  return true;
}

int Outcome(const TransferOutcome& outcome) {
  return outcome.succeeded() ? kExitOk : kExitTransferFailed;
}

}  // namespace

int TransferCommands::Read(const std::vector<std::string>& args, std::ostream& out,
                           std::ostream& err) {
  int code = kExitUsage;
  const auto parsed =
      CliArguments::ParseOrUsage(args, Recorded({"--port", "--ports", "--from"}),
                                 With(kPortFlags, {"--verify"}), RecordedUsage(kReadUsage).c_str(), out,
                                 err, code);
  if (!parsed) return code;
  if (parsed->positional().size() != 1) {
    err << "read needs exactly one output file\n" << kReadUsage;
    return kExitUsage;
  }
  if (const auto ports = parsed->Value("--ports")) {
    if (!BatchAlone(*parsed, {"--port", "--scan", "--from"}, err)) return kExitUsage;
    TransferOptions options;
    options.readTwice = parsed->Has("--verify");
    JobRecorder recorder(*parsed);
    return BatchCommands::ReadInto(parsed->positional()[0], *ports, options, {}, recorder, out,
                                   err);
  }
  CalibrationImage image;
  if (!PrepareImage(*parsed, parsed->Value("--from"), CliImage::Size::Any, image, err) ||
      !ReadOutputFile::Check(parsed->positional()[0], err)) {
    return kExitUsage;
  }
  TransferOptions options = PortOptions(*parsed);
  options.readTwice = parsed->Has("--verify");
  JobRecorder recorder(*parsed);
  const auto started = std::chrono::system_clock::now();
  bool saved = false, recorded = false;
  const auto outcome = CliJobRunner::Run(
      JobOrder::Read(&image), out, {}, options, ProgressStream(*parsed), nullptr,
      [&](const TransferOutcome& ended, const CTransferJob& job, const std::string& shown) {
        // The record is committed while the file is saved: both are done before the outcome.
        auto commit =
            recorder.BeginCommit(JobRecorder::FromTransfer("read", job, shown, image, started));
        if (ended.succeeded()) saved = ReadOutputFile::Save(parsed->positional()[0], image, err);
        recorded = recorder.FinishCommit(commit, err);
        return recorded;
      });
  recorder.Forward(err);
  if (!outcome.succeeded() || !recorded) return kExitTransferFailed;
  return saved ? kExitOk : kExitUsage;
}

int TransferCommands::Write(const std::vector<std::string>& args, std::ostream& out,
                            std::ostream& err) {
  int code = kExitUsage;
  const auto parsed = CliArguments::ParseOrUsage(
      args, Recorded({"--port", "--ports", "--backup-dir", "--keep-backups"}),
      With(kPortFlags, {"--force", "--no-backup", "--no-verify"}), RecordedUsage(kWriteUsage).c_str(), out,
      err, code);
  if (!parsed) return code;
  if (parsed->positional().size() != 1) {
    err << "write needs exactly one input file\n" << kWriteUsage;
    return kExitUsage;
  }
  CalibrationImage image;
  if (!PrepareImage(*parsed, parsed->positional()[0], CliImage::SizeFor(*parsed), image, err)) {
    return kExitUsage;
  }
  TransferOptions options = PortOptions(*parsed);
  options.backup = !parsed->Has("--no-backup");
  options.verify = !parsed->Has("--no-verify");
  if (options.backup && !BackupFolder(*parsed, options, err)) return kExitUsage;
  std::string error;
  if (!KeepBackups(*parsed, options, error)) {
    err << error << "\n";
    return kExitUsage;
  }
  if (const auto ports = parsed->Value("--ports")) {
    if (!BatchAlone(*parsed, {"--port", "--scan"}, err)) return kExitUsage;
    JobRecorder recorder(*parsed);
    return BatchCommands::WriteFrom(image, *ports, options, {}, recorder, out, err);
  }
  JobRecorder recorder(*parsed);
  const auto started = std::chrono::system_clock::now();
  bool recorded = false;
  const auto outcome = CliJobRunner::Run(
      JobOrder::Write(&image), out, {}, options, ProgressStream(*parsed), nullptr,
      [&](const TransferOutcome&, const CTransferJob& job, const std::string& shown) {
        recorded =
            recorder.Commit(JobRecorder::FromTransfer("write", job, shown, image, started), err);
        return recorded;
      });
  recorder.Forward(err);
  return recorded ? Outcome(outcome) : kExitTransferFailed;
}

int TransferCommands::Live(const std::vector<std::string>& args, std::ostream& out,
                           std::ostream& err) {
  int code = kExitUsage;
  const auto parsed = CliArguments::ParseOrUsage(
      args, {"--band", "--table", "--point", "--column", "--tone", "--value", "--from", "--port"},
      kPortFlags, kLiveUsage, out, err, code);
  if (!parsed) return code;
  std::string error;
  const auto band = parsed->Value("--band");
  const auto table = parsed->Int("--table", error);
  const auto point = parsed->Int("--point", error);
  const auto column = parsed->Int("--column", error);
  const auto tone = parsed->Value("--tone");
  const auto value = parsed->Int("--value", error);
  const bool levelForm = table && point && !column && !tone;
  const bool toneForm = column && tone && !table && !point;
  auto inRange = [](const std::optional<int>& v, int lo, int hi) {
    return v && *v >= lo && *v <= hi;
  };
  if (error.empty() && (!band || (*band != "A" && *band != "B"))) error = "--band must be A or B";
  if (error.empty() && !inRange(value, 0, layout::kMaxLevel)) error = "--value must be 0..255";
  if (error.empty() && !levelForm && !toneForm)
    error = "give either --table and --point, or --column and --tone";
  if (error.empty() && levelForm && *table == layout::kReceiveTuningTable)
    error = "the receive-tuning table (3) is never sent live";
  if (error.empty() && levelForm && (!inRange(table, 0, 2) || !inRange(point, 0, 15)))
    error = "--table must be 0..2 and --point 0..15";
  if (error.empty() && toneForm && !inRange(column, 0, 7)) error = "--column must be 0..7";
  const auto tenths = tone ? LiveCommandComposer::ToneTextToTenths(*tone) : std::nullopt;
  if (error.empty() && toneForm && !tenths) error = "--tone must be a number such as 67.0";
  if (!error.empty() || !parsed->positional().empty()) {
    err << (error.empty() ? "live takes no file argument; use --from" : error) << "\n"
        << kLiveUsage;
    return kExitUsage;
  }
  CalibrationImage image;
  if (!PrepareImage(*parsed, parsed->Value("--from"), CliImage::Size::Any, image, err)) {
    return kExitUsage;
  }
  const int b = *band == "A" ? 0 : 1;
  const auto command = levelForm
                           ? *LiveCommandComposer::LevelCommand(
                                 image, PointRef::From(b, *table, *point).value(), *value)
                           : LiveCommandComposer::ToneCommand(image, b, *column, *tenths, *value);
  const auto outcome = CliJobRunner::Run(JobOrder::Live(&image, command), out, {},
                                         PortOptions(*parsed), ProgressStream(*parsed));
  // Not connected: the job said so, and nothing was sent.
  if (outcome.step != TransferOutcome::Step::Live) return kExitTransferFailed;
  out << "sent: " << HexText::Bytes(command) << "\n";
  return Outcome(outcome);
}

}  // namespace velmora
