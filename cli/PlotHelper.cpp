#include "cli/PlotHelper.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <iostream>

#include "cli/CliImage.h"

namespace velmora {
namespace {

constexpr const char* kProgram = "velmora-cli-plot";

}  // namespace

std::string PlotHelper::Path() {
  const QString bin = QCoreApplication::applicationDirPath();
  const QString installed = bin + "/../" VELMORA_LIBEXEC_SUBDIR "/" + kProgram;
  const QString beside = bin + "/" + kProgram;
  const QString path = QFileInfo(installed).isExecutable() ? installed : beside;
  return QFileInfo(path).absoluteFilePath().toStdString();
}

int PlotHelper::Exec(const std::vector<std::string>& args) {
  const std::string path = Path();
  std::vector<char*> argv{const_cast<char*>(path.c_str())};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  ::execv(path.c_str(), argv.data());
  std::cerr << path << ": " << std::strerror(errno) << "\n";
  return kExitUsage;
}

}  // namespace velmora
