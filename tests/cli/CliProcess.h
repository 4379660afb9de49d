#pragma once

#include <sys/mount.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <thread>

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
  // The next line it prints, such as its meter's address.
  QString NextLine() {
    if (!m_process.canReadLine()) m_process.waitForReadyRead(5000);
    return QString::fromUtf8(m_process.readLine()).trimmed();
  }

 private:
  QProcess m_process;
  QString m_path;
};

struct CliResult {
  int exitCode;
  QString out, err;
  QString startError;  // why the program did not run, "" when it did

  // For failure messages: a child that never ran must not show up as empty output.
  QString describe() const {
    return QString("exit %1%2\nstdout: %3\nstderr: %4")
        .arg(exitCode)
        .arg(startError.isEmpty() ? QString() : " (" + startError + ")", out, err);
  }
};

// An unprivileged user for the child, so that a file's mode counts even when tests run as root.
constexpr uid_t kNobody = 65534;

// Whether kNobody may execute path: checked by a child that has become that user.
inline bool NobodyCanRun(const QString& path) {
  const QByteArray file = QFile::encodeName(path);
  const pid_t child = ::fork();
  if (child == 0) {
    const bool dropped = ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
    ::_exit(dropped && ::access(file.constData(), X_OK) == 0 ? 0 : 1);
  }
  int status = 0;
  return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

// velmora-cli, and the plot helper it runs from beside itself, copied where kNobody may run them:
// the build folder can sit below a folder only its owner may enter (a checkout made by mktemp -d).
inline QString CliForNobody() {
  static QTemporaryDir dir;  // in the system's temporary folder, open to every user
  static const QString cli = [] {
    const auto open = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                      QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    QFile::setPermissions(dir.path(), open);
    const QFileInfo built(VELMORA_CLI_PATH);
    for (const QString& name : {built.fileName(), built.fileName() + "-plot"}) {
      const QString copy = dir.filePath(name);
      QFile::copy(built.dir().filePath(name), copy);
      QFile::setPermissions(copy, open);
    }
    return dir.filePath(built.fileName());
  }();
  return cli;
}

inline CliResult RunCli(const QString& port, const QStringList& args,
                        const QMap<QString, QString>& environment = {}, bool unprivileged = false) {
  QProcess cli;
  auto env = QProcessEnvironment::systemEnvironment();
  env.insert("VELMORA_COM1", port);
  for (auto it = environment.begin(); it != environment.end(); ++it) {
    if (it.value().isNull()) {
      env.remove(it.key());  // a null value: the variable is not set at all
    } else {
      env.insert(it.key(), it.value());
    }
  }
  cli.setProcessEnvironment(env);
  QString program = VELMORA_CLI_PATH;
  if (unprivileged && ::getuid() == 0) {
    program = CliForNobody();
    cli.setChildProcessModifier([] {
      if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(127);
    });
  }
  cli.start(program, args);
  cli.waitForFinished(60000);
  QString startError;
  if (cli.error() != QProcess::UnknownError) startError = cli.errorString();
  if (cli.exitStatus() == QProcess::NormalExit && cli.exitCode() == 127)
    startError += " (127: the child could not become the other user or run " + program + ")";
  return {cli.exitCode(), QString::fromUtf8(cli.readAllStandardOutput()),
          QString::fromUtf8(cli.readAllStandardError()), startError};
}

inline QByteArray ReadAll(const QString& path) {
  QFile file(path);
  file.open(QIODevice::ReadOnly);
  return file.readAll();
}

// Waits until a program's --log trace holds `text` at least `count` times: false when the program
// ended first or the wait ran out. Watching the trace disturbs nothing on the line.
inline bool WaitForTrace(const QProcess& program, const QString& trace, const QString& text,
                         int count, std::chrono::milliseconds timeout) {
  constexpr auto kPoll = std::chrono::milliseconds(2);
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < end) {
    if (QFile::exists(trace) && QString::fromUtf8(ReadAll(trace)).count(text) >= count) return true;
    if (program.state() == QProcess::NotRunning) return false;
    std::this_thread::sleep_for(kPoll);
  }
  return false;
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
