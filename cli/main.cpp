#ifndef VELMORA_VERSION
#error "VELMORA_VERSION must name the program's version"
#endif

#include <QCoreApplication>
#include <csignal>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliArguments.h"
#include "cli/CliImage.h"
#include "cli/DiffCommand.h"
#include "cli/HelperProgram.h"
#include "cli/HistoryCommand.h"
#include "cli/PortsCommand.h"
#include "cli/RecordsCommand.h"
#include "cli/ReportCommand.h"
#include "cli/ShowCommand.h"
#include "cli/StatsCommand.h"
#include "cli/ToolMain.h"
#include "cli/TransferCommands.h"

namespace {

constexpr const char* kUsage =
    "usage: velmora-cli COMMAND [options]\n"
    "  read OUT.dat            read the radio into a calibration file\n"
    "  write IN.dat            write a calibration file into the radio\n"
    "  live --band A|B ...     send one live-tuning command\n"
    "  show FILE.dat [--json]  every field of a calibration file\n"
    "  diff A.dat B.dat [--json]  the fields that differ (exit 0 equal, 1 different)\n"
    "  plot FILE.dat -o OUT.svg  a band's level tables as curves (SVG or PNG)\n"
    "  report FILE.dat... -o OUT.csv  one CSV row per file, every field decoded\n"
    "  ports [--json]          COM1..COM9 on this machine and whether each can be opened\n"
    "  meter [--read|--zero]   the bench power meter: identify, read once, or zero\n"
    "  align PLAN.json --meter URL  tune the transmit tables to the plan's powers\n"
    "  station PLAN.json --meter URL --port N  a line's station: one scanned serial per radio\n"
    "  history SERIAL [--json] every job recorded for one radio, newest first\n"
    "  records status|sync|verify|export  the production records and the line's database\n"
    "  stats [--lot L] -o lot.html  a lot's Cpk, yield, outlier radios and bench drift\n"
    "--log FILE (before or after the command) appends a trace of every byte on the line\n"
    "(--log -: stderr).\n"
    "velmora-cli help COMMAND (or COMMAND --help) prints a command's options; --version prints\n"
    "the version.\n"
    "Exit status: 0 success, 1 the radio transfer or the meter failed (align: a point failed),\n"
    "2 bad usage or unreadable files (align: a bad plan or meter).\n";

using Command = int (*)(const std::vector<std::string>&, std::ostream&, std::ostream&);

struct CommandEntry {
  const char* name;
  Command run;
  bool printsItsResult;  // its output is what it is run for, so lost output makes it fail
};

// No command: the tool's own options, or a word that names no command.
int RunTool(const std::vector<std::string>& args) {
  using namespace velmora;
  if (args.empty()) {
    std::cerr << kUsage;
    return kExitUsage;
  }
  std::string error;
  const auto parsed = CliArguments::Parse({args[0]}, {}, {"--help", "--version"}, error);
  if (parsed && parsed->Has("--version")) {
    std::cout << "velmora-cli " << VELMORA_VERSION << "\n";
  } else if (parsed && (parsed->Has("--help") || args[0] == "help")) {
    std::cout << kUsage;
  } else {
    std::cerr << (parsed ? "unknown command: " + args[0] : error) << "\nrun velmora-cli --help\n";
    return kExitUsage;
  }
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace velmora;
  std::signal(SIGPIPE, SIG_IGN);
  std::vector<std::string> args(argv + 1, argv + argc);
  // A live tune is sent again and again while tuning, and its job needs no event loop: it runs
  // without the application object, whose event dispatcher and locale cost it a third of a
  // millisecond at start and end.
  std::optional<QCoreApplication> app;
  if (ToolMain::CommandWord(args) != "live") app.emplace(argc, argv);
  // The window's name, so that both programs share one data folder.
  QCoreApplication::setApplicationName(QStringLiteral("Velmora"));
  // The instruments' program traces (--log) and answers help itself, under this program's name.
  if (const std::string word = ToolMain::CommandWord(args); word == "meter" || word == "align" ||
                                                         word == "station") {
    return HelperProgram::Exec(HelperProgram::kInstruments, args, argv[0]);
  }
  // --log FILE (or --log=FILE) belongs to the whole tool, wherever it stands.
  if (!ToolMain::TakeLogOption(args, argc, argv)) return kExitUsage;
  if (args.size() == 2 && args[0] == "help") args = {args[1], "--help"};  // help COMMAND
  if (!args.empty() && args[0] == "plot") {
    return HelperProgram::Exec(HelperProgram::kPlot, {args.begin() + 1, args.end()});
  }
  const CommandEntry commands[] = {
      {"read", TransferCommands::Read, false}, {"write", TransferCommands::Write, false},
      {"live", TransferCommands::Live, false}, {"show", ShowCommand::Run, true},
      {"diff", DiffCommand::Run, true},        {"report", ReportCommand::Run, true},
      {"ports", PortsCommand::Run, true},      {"history", HistoryCommand::Run, true},
      {"records", RecordsCommand::Run, true},  {"stats", StatsCommand::Run, true},
  };
  if (!args.empty()) {
    for (const auto& command : commands) {
      if (args[0] != command.name) continue;
      const int code = command.run({args.begin() + 1, args.end()}, std::cout, std::cerr);
      ToolMain::Exit(ToolMain::Finish(code, command.printsItsResult));
    }
  }
  const int code = RunTool(args);
  ToolMain::Exit(ToolMain::Finish(code, code == kExitOk));
}
