// velmora-cli-plot: the plot command of velmora-cli, in a program of its own (see PlotHelper).
#include <QApplication>
#include <iostream>
#include <string>
#include <vector>

#include "cli/PlotCommand.h"

int main(int argc, char** argv) {
  // Charts draw with widgets, off screen: the plot never shows a window.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const std::vector<std::string> args(argv + 1, argv + argc);
  const int code = velmora::PlotCommand::Run(args, std::cout, std::cerr);
  std::cout.flush();
  return code;
}
