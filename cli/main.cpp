#include <QCoreApplication>
#include <iostream>
#include <string>
#include <vector>

#include "cli/CliImage.h"
#include "cli/DiffCommand.h"
#include "cli/ShowCommand.h"
#include "cli/TransferCommands.h"

namespace {

constexpr const char* kUsage =
    "usage: velmora-cli COMMAND [options]\n"
    "  read OUT.dat            read the radio into a calibration file\n"
    "  write IN.dat            write a calibration file into the radio\n"
    "  live --band A|B ...     send one live-tuning command\n"
    "  show FILE.dat           every field of a calibration file\n"
    "  diff A.dat B.dat        the fields that differ (exit 0 equal, 1 different)\n"
    "  --version               print the version\n"
    "Run velmora-cli COMMAND --help for a command's options.\n"
    "Exit status: 0 success, 1 the radio transfer failed, 2 bad usage or unreadable files.\n";

using Command = int (*)(const std::vector<std::string>&, std::ostream&, std::ostream&);

}  // namespace

int main(int argc, char** argv) {
  using namespace velmora;
  QCoreApplication app(argc, argv);  // the worker threads report through its event queue
  const std::vector<std::string> args(argv + 1, argv + argc);
  const std::pair<const char*, Command> commands[] = {
      {"read", TransferCommands::Read}, {"write", TransferCommands::Write},
      {"live", TransferCommands::Live}, {"show", ShowCommand::Run},
      {"diff", DiffCommand::Run},
  };
  if (!args.empty()) {
    for (const auto& [name, run] : commands) {
      if (args[0] == name) return run({args.begin() + 1, args.end()}, std::cout, std::cerr);
    }
  }
  if (!args.empty() && args[0] == "--version") {
    std::cout << "velmora-cli " VELMORA_VERSION "\n";
    return kExitOk;
  }
  const bool help = !args.empty() && (args[0] == "--help" || args[0] == "help");
  (help ? std::cout : std::cerr) << kUsage;
  return help ? kExitOk : kExitUsage;
}
