#pragma once

#include <sys/mount.h>
#include <sys/types.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <functional>

// The real velmora-cli and velmora-radio-sim programs, run as a user runs them.
namespace velmora::test {

// velmora-radio-sim on a pseudo-terminal, published to the tool as COM1.
class SimProcess {
 public:
  bool Start(const QStringList& options) {
    m_process.start(VELMORA_SIM_PATH, options);
    if (!m_process.waitForStarted(5000) || !m_process.waitForReadyRead(5000)) return false;
    m_path = QString::fromUtf8(m_process.readLine()).trimmed();
    return !m_path.isEmpty();
  }
  ~SimProcess() {
    m_process.terminate();
    m_process.waitForFinished(5000);
  }
  const QString& path() const { return m_path; }

 private:
  QProcess m_process;
  QString m_path;
};

struct CliResult {
  int exitCode;
  QString out, err;
};

// An unprivileged user for the child, so that a file's mode counts even when tests run as root.
constexpr uid_t kNobody = 65534;

inline CliResult RunCli(const QString& port, const QStringList& args,
                        const QMap<QString, QString>& environment = {}, bool unprivileged = false) {
  QProcess cli;
  auto env = QProcessEnvironment::systemEnvironment();
  env.insert("VELMORA_COM1", port);
  for (auto it = environment.begin(); it != environment.end(); ++it)
    env.insert(it.key(), it.value());
  cli.setProcessEnvironment(env);
  if (unprivileged && ::getuid() == 0) {
    cli.setChildProcessModifier([] {
      if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(127);
    });
  }
  cli.start(VELMORA_CLI_PATH, args);
  cli.waitForFinished(60000);
  return {cli.exitCode(), QString::fromUtf8(cli.readAllStandardOutput()),
          QString::fromUtf8(cli.readAllStandardError())};
}

inline QByteArray ReadAll(const QString& path) {
  QFile file(path);
  file.open(QIODevice::ReadOnly);
  return file.readAll();
}

// A small file system of our own, mounted over a folder and filled up after `before` has put its
// files there; needs mount rights.
class FullFilesystem {
 public:
  explicit FullFilesystem(const QString& folder, const std::function<void()>& before = {})
      : m_folder(folder.toStdString()) {
    QDir().mkpath(folder);
    m_mounted = ::mount("tmpfs", m_folder.c_str(), "tmpfs", 0, "size=8k") == 0;
    if (m_mounted && before) before();
    QFile filler(folder + "/filler");
    if (!m_mounted || !filler.open(QIODevice::WriteOnly)) return;
    const QByteArray chunk(1024, 0);
    while (filler.write(chunk) == chunk.size() && filler.flush()) {
    }
  }
  ~FullFilesystem() {
    if (m_mounted) ::umount2(m_folder.c_str(), MNT_DETACH);
  }
  bool mounted() const { return m_mounted; }

 private:
  std::string m_folder;
  bool m_mounted = false;
};

}  // namespace velmora::test
