#include "plot/ChartApplication.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <string>

namespace velmora {
namespace {

// Without a login session Qt falls back to a runtime folder of its own and says so on stderr at
// every start. The plot needs none: it is given that same private folder, and Qt stays quiet.
void QuietRuntimeFolder() {
  if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) return;
  const passwd* user = ::getpwuid(::geteuid());
  if (!user) return;
  const std::string folder = (QDir::tempPath() + "/runtime-" + user->pw_name).toStdString();
  ::mkdir(folder.c_str(), S_IRWXU);
  struct stat st {};
  const bool usable = ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
                      st.st_uid == ::geteuid() && (st.st_mode & 0777) == S_IRWXU;
  if (usable) qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(folder));
}

}  // namespace

ChartApplication::ChartApplication(int& argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QuietRuntimeFolder();
  m_app = std::make_unique<QApplication>(argc, argv);
}

ChartApplication::~ChartApplication() = default;

}  // namespace velmora
