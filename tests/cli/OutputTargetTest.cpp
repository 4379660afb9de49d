// Every kind of output the tool writes, aimed at every kind of target that must not be written:
// the real velmora-cli refuses at once, exits 2 and leaves the target as it was.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <thread>

#include "core/CalibrationFile.h"
#include "tests/cli/CliProcess.h"

using namespace velmora;
using namespace velmora::test;

extern char** environ;

namespace {

// Far beyond any refusal; a run still going then waits on its target.
constexpr std::chrono::seconds kHangLimit{20};
constexpr std::chrono::milliseconds kPoll{20};
constexpr qsizetype kOldSize = 4096;  // one whole page, so a full file system takes no append

struct ByteRun {
  int exitCode = -1;
  bool hung = false;
  QByteArray err;
};

// Runs velmora-cli with arguments as raw bytes (names need not be UTF-8) and stderr captured.
ByteRun RunBytes(const std::vector<std::string>& args, const std::vector<std::string>& env) {
  std::vector<std::string> texts{VELMORA_CLI_PATH};
  texts.insert(texts.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& t : texts) argv.push_back(t.data());
  argv.push_back(nullptr);
  std::vector<std::string> environment(env);
  for (char** e = environ; *e; ++e) environment.emplace_back(*e);
  std::vector<char*> envp;
  for (auto& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);
  int errPipe[2];
  if (::pipe2(errPipe, O_CLOEXEC) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
  pid_t pid = -1;
  const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(errPipe[1]);
  ByteRun run;
  if (spawned != 0) return run;
  int status = 0;
  QElapsedTimer clock;
  clock.start();
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (clock.elapsed() > std::chrono::milliseconds(kHangLimit).count()) {
      run.hung = true;
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(kPoll);
  }
  char buffer[4096];
  for (ssize_t n; (n = ::read(errPipe[0], buffer, sizeof buffer)) > 0;) run.err.append(buffer, n);
  ::close(errPipe[0]);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

// What stands at a path, to compare before and after a run.
QByteArray Snapshot(const QString& path) {
  struct stat info {};
  if (::lstat(path.toLocal8Bit().constData(), &info) != 0) return "missing";
  QByteArray shot = QByteArray::number(info.st_mode, 8) + " " + QByteArray::number(info.st_ino);
  if (S_ISREG(info.st_mode)) shot += " " + ReadAll(path);
  if (S_ISLNK(info.st_mode)) shot += " " + QFile::symLinkTarget(path).toUtf8();
  if (S_ISDIR(info.st_mode))
    shot += " " + QDir(path).entryList(QDir::AllEntries).join(' ').toUtf8();
  return shot;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (file.open(QIODevice::WriteOnly)) file.write(bytes);
}

}  // namespace

class OutputTargetTest : public QObject {
  Q_OBJECT

  QTemporaryDir m_dir;
  SimProcess m_radio;
  QString m_source;

 private slots:
  void initTestCase() {
    QVERIFY(m_radio.Start({"--factory"}));
    CalibrationImage image;
    image.LoadDefaults();
    m_source = m_dir.filePath("a.dat");
    QVERIFY(CalibrationFile::SaveToFile(image, m_source.toStdString(), {}).ok());
  }

  void everyOutputRefusesWhatIsNoFileToWrite_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("reason");
    const std::pair<const char*, const char*> targets[] = {
        {"device", "a device"},
        {"FIFO", "a FIFO"},
        {"read-only file", "Permission denied"},
        {"folder", "a folder"},
        {"full file system", "No space left on device"},
        {"another user's link in a sticky folder", "link"},
        {"name that is not UTF-8", "UTF-8"},
    };
    for (const auto& [target, reason] : targets) {
      for (const char* output : {"read", "report", "plot.svg", "plot.png", "trace"}) {
        QTest::addRow("%s, %s", target, output) << target << output << reason;
      }
    }
  }
  void everyOutputRefusesWhatIsNoFileToWrite() {
    QFETCH(QString, target);
    QFETCH(QString, output);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString suffix = output.startsWith("plot") ? output.mid(4) : ".dat";
    std::string name = "out" + suffix.toStdString();
    QString watched = dir.filePath(QString::fromStdString(name));
    QString folder = dir.path();
    const QByteArray old(kOldSize, 'o');
    std::unique_ptr<FullFilesystem> full;
    if (target == "device") {
      if (::getuid() != 0) QSKIP("making a device node needs root");
      QCOMPARE(::mknod(watched.toLocal8Bit(), S_IFCHR | 0666, ::makedev(1, 3)), 0);
    } else if (target == "FIFO") {
      QCOMPARE(::mkfifo(watched.toLocal8Bit(), 0666), 0);
    } else if (target == "read-only file") {
      WriteFile(watched, old);
      QVERIFY(QFile::setPermissions(watched, QFile::ReadOwner | QFile::ReadGroup));
    } else if (target == "folder") {
      QVERIFY(QDir(dir.path()).mkdir(watched));
    } else if (target == "full file system") {
      folder = dir.filePath("full");
      full = std::make_unique<FullFilesystem>(folder,
                                              [&] { WriteFile(folder + "/" + name.c_str(), old); });
      if (!full->mounted()) QSKIP("no rights to mount a small file system here");
      watched = folder + "/" + QString::fromStdString(name);
    } else if (target.contains("sticky")) {
      if (::getuid() != 0) QSKIP("a link of another user needs root");
      folder = dir.filePath("shared");
      QVERIFY(QDir().mkdir(folder));
      QCOMPARE(::chmod(folder.toLocal8Bit(), 01777), 0);
      watched = dir.filePath("root-only");
      WriteFile(watched, old);
      QVERIFY(QFile::setPermissions(watched, QFile::ReadOwner | QFile::WriteOwner));
      const QByteArray link = (folder + "/" + name.c_str()).toLocal8Bit();
      QCOMPARE(::symlink(watched.toLocal8Bit(), link), 0);
      QCOMPARE(::lchown(link, kNobody, kNobody), 0);
    } else {
      name = "out\xff" + suffix.toStdString();
      watched = dir.path();
    }
    const std::string path = folder.toStdString() + "/" + name;
    const QByteArray before = Snapshot(watched), folderBefore = Snapshot(folder);
    std::vector<std::string> args;
    if (output == "read") args = {"read", path, "--port", "1"};
    if (output == "report") args = {"report", m_source.toStdString(), "-o", path};
    if (output.startsWith("plot")) args = {"plot", m_source.toStdString(), "-o", path};
    if (output == "trace") args = {"--log", path, "show", m_source.toStdString()};
    const ByteRun run = RunBytes(args, {"VELMORA_COM1=" + m_radio.path().toStdString(),
                                        "XDG_DATA_HOME=" + m_dir.filePath("data").toStdString()});
    QVERIFY2(!run.hung, "the tool waited on its target");
    QCOMPARE(Snapshot(watched), before);
    QCOMPARE(Snapshot(folder), folderBefore);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains(reason.toUtf8()), run.err.constData());
  }

  // A trace that fills its disk part way is told about once, and the read it traced still
  // counts.
  void traceWriteErrorsAreToldOnce() {
    QTemporaryDir dir;
    const QString trace = dir.filePath("full/trace.txt");
    FullFilesystem full(dir.filePath("full"), [&] { WriteFile(trace, QByteArray(3600, '#')); });
    if (!full.mounted()) QSKIP("no rights to mount a small file system here");
    const QString out = dir.filePath("out.dat");
    const auto read = RunCli(m_radio.path(), {"--log", trace, "read", out, "--port", "1"});
    QCOMPARE(read.exitCode, 0);
    QCOMPARE(read.err.count("could not be written (No space left on device)"), 1);
    QCOMPARE(ReadAll(out).size(), 308);
    QVERIFY(ReadAll(trace).contains(" started "));
  }

  // A batch read whose save fails says so on its port's line, not only in the summary.
  void batchReadLineShowsAFailedSave() {
    QTemporaryDir dir;
    FullFilesystem full(dir.filePath("tray"));
    if (!full.mounted()) QSKIP("no rights to mount a small file system here");
    const auto read = RunCli(m_radio.path(), {"read", dir.filePath("tray"), "--ports", "1"},
                             {{"XDG_DATA_HOME", dir.filePath("data")}});
    QCOMPARE(read.exitCode, 1);
    const QString line = read.out.split('\n').filter("COM1: ").value(0);
    QVERIFY2(line.startsWith("COM1: 失败!"), qPrintable(read.out));
    QVERIFY2(line.contains("not saved: No space left on device"), qPrintable(read.out));
    QVERIFY2(read.out.endsWith("0/1 成功\nnot done: COM1\n"), qPrintable(read.out));
  }
};

QTEST_GUILESS_MAIN(OutputTargetTest)
#include "OutputTargetTest.moc"
