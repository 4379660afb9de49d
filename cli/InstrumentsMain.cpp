// velmora-cli-instruments: the commands of velmora-cli that talk to bench instruments (meter,
// align, station), in a program of their own (see HelperProgram). velmora-cli starts it with its own
// arguments and name.
#include <QCoreApplication>
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "cli/AlignCommand.h"
#include "cli/CliImage.h"
#include "cli/MeterCommand.h"
#include "cli/StationCommand.h"
#include "cli/ToolMain.h"

int main(int argc, char** argv) {
  using namespace velmora;
  std::signal(SIGPIPE, SIG_IGN);
  std::vector<std::string> args(argv + 1, argv + argc);
  QCoreApplication app(argc, argv);  // align's jobs report through its event queue
  QCoreApplication::setApplicationName(QStringLiteral("Velmora"));  // the window's settings
  if (!ToolMain::TakeLogOption(args, argc, argv)) return kExitUsage;
  if (args.size() == 2 && args[0] == "help") args = {args[1], "--help"};  // help COMMAND
  if (args.empty()) return kExitUsage;
  const std::vector<std::string> options(args.begin() + 1, args.end());
  if (args[0] == "align") {
    return ToolMain::Finish(AlignCommand::Run(options, std::cout, std::cerr), false);
  }
  if (args[0] == "station") {
    return ToolMain::Finish(StationCommand::Run(options, std::cout, std::cerr), false);
  }
  return ToolMain::Finish(MeterCommand::Run(options, std::cout, std::cerr), true);
}
