// velmora-cli-plot: the plot command of velmora-cli, in a program of its own (see HelperProgram).
#include <iostream>
#include <string>
#include <vector>

#include "cli/PlotCommand.h"
#include "plot/ChartApplication.h"

int main(int argc, char** argv) {
  const velmora::ChartApplication app(argc, argv);
  const std::vector<std::string> args(argv + 1, argv + argc);
  const int code = velmora::PlotCommand::Run(args, std::cout, std::cerr);
  std::cout.flush();
  return code;
}
