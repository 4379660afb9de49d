#include <QCoreApplication>
#include <iostream>
#include <string>
#include <vector>

#include "cli/CliImage.h"
#include "cli/DiffCommand.h"
#include "cli/PortsCommand.h"
#include "cli/ShowCommand.h"
#include "cli/TransferCommands.h"
#include "radio/TraceLog.h"

namespace {

constexpr const char* kUsage =
    "usage: velmora-cli COMMAND [options]\n"
    "  read OUT.dat            read the radio into a calibration file\n"
    "  write IN.dat            write a calibration file into the radio\n"
    "  live --band A|B ...     send one live-tuning command\n"
    "  show FILE.dat           every field of a calibration file\n"
    "  diff A.dat B.dat        the fields that differ (exit 0 equal, 1 different)\n"
    "  ports                   COM1..COM9 on this machine and whether each can be opened\n"
    "--log FILE (before or after the command) writes a trace of every byte on the line.\n"
    "Run velmora-cli COMMAND --help for a command's options.\n"
    "Exit status: 0 success, 1 the radio transfer failed, 2 bad usage or unreadable files.\n";

using Command = int (*)(const std::vector<std::string>&, std::ostream&, std::ostream&);

}  // namespace

int main(int argc, char** argv) {
  using namespace velmora;
  QCoreApplication app(argc, argv);  // the worker threads report through its event queue
  QCoreApplication::setApplicationName(QStringLiteral("Velmora"));  // the window's data folder
  std::vector<std::string> args(argv + 1, argv + argc);
  // --log FILE belongs to the whole tool, wherever it stands.
  for (auto it = args.begin(); it != args.end(); ++it) {
    if (*it != "--log") continue;
    std::string error;
    if (it + 1 == args.end() || !TraceLog::Instance().Open(*(it + 1), &error)) {
      std::cerr << (error.empty() ? "--log needs a file" : error) << "\n";
      return kExitUsage;
    }
    args.erase(it, it + 2);
    break;
  }
  const std::pair<const char*, Command> commands[] = {
      {"read", TransferCommands::Read}, {"write", TransferCommands::Write},
      {"live", TransferCommands::Live}, {"show", ShowCommand::Run},
      {"diff", DiffCommand::Run},       {"ports", PortsCommand::Run},
  };
  if (!args.empty()) {
    for (const auto& [name, run] : commands) {
      if (args[0] == name) return run({args.begin() + 1, args.end()}, std::cout, std::cerr);
    }
  }
  const bool help = !args.empty() && (args[0] == "--help" || args[0] == "help");
  (help ? std::cout : std::cerr) << kUsage;
  return help ? kExitOk : kExitUsage;
}
