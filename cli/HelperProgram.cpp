#include "cli/HelperProgram.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <iostream>

#include "cli/CliImage.h"

namespace velmora {

std::string HelperProgram::Path(const char* program) {
  const QString bin = QCoreApplication::applicationDirPath();
  const QString installed = bin + "/../" VELMORA_LIBEXEC_SUBDIR "/" + program;
  const QString beside = bin + "/" + program;
  const QString path = QFileInfo(installed).isExecutable() ? installed : beside;
  return QFileInfo(path).absoluteFilePath().toStdString();
}

int HelperProgram::Exec(const char* program, const std::vector<std::string>& args,
                        const std::string& name) {
  const std::string path = Path(program);
  std::vector<char*> argv{const_cast<char*>(name.empty() ? path.c_str() : name.c_str())};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  ::execv(path.c_str(), argv.data());
  std::cerr << path << ": " << std::strerror(errno) << "\n";
  return kExitUsage;
}

}  // namespace velmora
