#include <grp.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

#include "core/CalibrationFile.h"
#include "tests/cli/CliProcess.h"

using namespace velmora;
using namespace velmora::test;

extern char** environ;

namespace {

// Runs the tool with standard output on a pipe whose reader has already gone, as in
// `velmora-cli read OUT | head -1`, with SIGPIPE at its default; returns the wait status.
int RunWithClosedOutput(const QString& port, const QStringList& args) {
  qputenv("VELMORA_COM1", port.toUtf8());
  std::vector<std::string> texts = {VELMORA_CLI_PATH};
  for (const QString& a : args) texts.push_back(a.toStdString());
  std::vector<char*> argv;
  for (auto& t : texts) argv.push_back(t.data());
  argv.push_back(nullptr);
  int output[2];
  if (::pipe(output) != 0) return -1;
  ::close(output[0]);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  ::close(output[1]);
  qunsetenv("VELMORA_COM1");
  int status = -1;
  if (spawned == 0) ::waitpid(pid, &status, 0);
  return status;
}

int ModeOf(const QString& path) {
  struct stat info {};
  return ::stat(path.toLocal8Bit().constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

}  // namespace

class CliEndToEndTest : public QObject {
  Q_OBJECT

 private slots:
  void writtenFileReadsBackInEveryByteTheWriteSends() {
    QTemporaryDir dir;
    SimProcess radio;
    QVERIFY(radio.Start({"--memory", dir.filePath("radio.mem")}));
    CalibrationImage image;
    image.LoadDefaults();
    for (std::size_t i = 6; i < 306; ++i) image.SetAt(i, static_cast<std::uint8_t>(i * 13 + 1));
    const std::size_t headers[] = {4, 70, 136, 202, 268};
    CalibrationImage defaults;
    defaults.LoadDefaults();
    for (std::size_t h : headers)
      image.SetAt(h, defaults.At(h)), image.SetAt(h + 1, defaults.At(h + 1));
    const QString written = dir.filePath("written.dat");
    QVERIFY(CalibrationFile::SaveToFile(image, written.toStdString(), {}).ok());

    const auto write =
        RunCli(radio.path(), {"write", written}, {{"XDG_DATA_HOME", dir.filePath("data")}});
    QCOMPARE(write.exitCode, 0);
    QVERIFY2(write.out.contains("成功!"), qPrintable(write.out));
    QVERIFY(write.out.contains("radio answered on COM1"));

    const QString readBack = dir.filePath("read.dat");
    const auto read = RunCli(radio.path(), {"read", readBack});
    QCOMPARE(read.exitCode, 0);
    const QByteArray a = ReadAll(written), b = ReadAll(readBack);
    QCOMPARE(b.size(), 308);
    // Source ranges of the 14 blocks and where a read brings each back.
    const std::tuple<int, int, int> sent[] = {
        {6, 6, 64}, {72, 72, 64}, {138, 138, 32}, {204, 204, 48}, {270, 252, 16}};
    for (auto [from, to, size] : sent) QCOMPARE(b.mid(to, size), a.mid(from, size));

    const auto diff = RunCli(radio.path(), {"diff", written, readBack});
    QCOMPARE(diff.exitCode, 1);
    QVERIFY(diff.out.contains("@170+32 fromRadioOnly"));
    QCOMPARE(RunCli(radio.path(), {"diff", readBack, readBack}).exitCode, 0);
  }

  void liveCommandReachesTheRadio_data() {
    QTest::addColumn<QStringList>("simOptions");
    QTest::addColumn<QStringList>("liveArgs");
    QTest::addColumn<QString>("sent");
    QTest::addColumn<int>("exitCode");
    const QStringList level = {"live",    "--band", "A",       "--table", "1",
                               "--point", "15",     "--value", "64"};
    QTest::newRow("level") << QStringList{} << level << "A6 69 80 06 01 81 13 80 0D 40" << 0;
    QTest::newRow("tone") << QStringList{}
                          << QStringList{"live",   "--band", "B",       "--column", "7",
                                         "--tone", "192.8",  "--value", "1"}
                          << "A6 69 80 06 04 70 88 07 0D 01" << 0;
    QTest::newRow("not acknowledged")
        << QStringList{"--live-reply", "06"} << level << "A6 69 80 06 01 81 13 80 0D 40" << 1;
  }
  void liveCommandReachesTheRadio() {
    QFETCH(QStringList, simOptions);
    QFETCH(QStringList, liveArgs);
    QFETCH(QString, sent);
    QFETCH(int, exitCode);
    SimProcess radio;
    QVERIFY(radio.Start(simOptions));
    const auto live = RunCli(radio.path(), liveArgs);
    QCOMPARE(live.exitCode, exitCode);
    QVERIFY2(live.out.startsWith(exitCode == 0 ? "成功!\n" : "失败!\n"), qPrintable(live.out));
    QVERIFY2(live.out.endsWith("\nsent: " + sent + "\n"), qPrintable(live.out));
  }

  void usageErrorsExitTwo_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("no command") << QStringList{};
    QTest::newRow("unknown command") << QStringList{"erase"};
    QTest::newRow("receive tuning is not live")
        << QStringList{"live", "--band", "A", "--table", "3", "--point", "0", "--value", "1"};
    QTest::newRow("bad band") << QStringList{"live",    "--band", "C",       "--table", "0",
                                             "--point", "0",      "--value", "1"};
    QTest::newRow("value out of range")
        << QStringList{"live", "--band", "A", "--table", "0", "--point", "0", "--value", "256"};
    QTest::newRow("both forms") << QStringList{
        "live",     "--band", "A",      "--table", "0",       "--point", "0",
        "--column", "1",      "--tone", "67.0",    "--value", "1"};
    QTest::newRow("write of a short file") << QStringList{"write", "/dev/null"};
    QTest::newRow("read without file") << QStringList{"read"};
    QTest::newRow("bad port") << QStringList{"read", "x.dat", "--port", "five"};
    QTest::newRow("backups kept: a word")
        << QStringList{"write", "x.dat", "--keep-backups", "some"};
    QTest::newRow("backups kept: negative") << QStringList{"write", "x.dat", "--keep-backups=-1"};
    const QString plan = VELMORA_EXAMPLE_PLAN;
    QTest::newRow("align without plan") << QStringList{"align", "--meter", "sim:"};
    QTest::newRow("align: plan missing") << QStringList{"align", "/nonexistent/p.json"};
    QTest::newRow("align: plan not JSON") << QStringList{"align", "/dev/null"};
    QTest::newRow("align: unknown table") << QStringList{"align", plan, "--tables", "A0,C1"};
    QTest::newRow("align: table twice") << QStringList{"align", plan, "--tables", "B2,B2"};
    QTest::newRow("align: meter URL") << QStringList{"align", plan, "--meter", "gpib://7"};
    QTest::newRow("align: one file, two outputs")
        << QStringList{"align", plan, "--report", "/tmp/r", "--csv", "/tmp/r"};
  }
  void usageErrorsExitTwo() {
    QFETCH(QStringList, args);
    QCOMPARE(RunCli("/nonexistent", args).exitCode, 2);
  }

  // What the tool and its commands make of their arguments; %d stands for a folder holding a.dat.
  void commandLineIsParsed_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("outStart");
    QTest::addColumn<QString>("err");
    const QString hint = "\nrun velmora-cli %1--help\n";
    QTest::newRow("unknown command") << QStringList{"erase"} << 2 << ""
                                     << "unknown command: erase" + hint.arg("");
    QTest::newRow("unknown tool option") << QStringList{"--x"} << 2 << ""
                                         << "unknown option: --x" + hint.arg("");
    QTest::newRow("unknown option") << QStringList{"show", "%d/a.dat", "--x"} << 2 << ""
                                    << "unknown option: --x" + hint.arg("show ");
    QTest::newRow("missing value") << QStringList{"report", "%d/a.dat", "-o"} << 2 << ""
                                   << "option -o needs a value" + hint.arg("report ");
    QTest::newRow("switch given a value")
        << QStringList{"diff", "%d/a.dat", "%d/a.dat", "--force=yes"} << 2 << ""
        << "option --force takes no value" + hint.arg("diff ");
    QTest::newRow("-o=value") << QStringList{"report", "%d/a.dat", "-o=%d/r.csv"} << 0
                              << "%d/r.csv: 1 files\n"
                              << "";
    QTest::newRow("--opt=value") << QStringList{"read", "%d/x.dat", "--port=five"} << 2 << ""
                                 << "--port needs a whole number, not \"five\"\n";
    QTest::newRow("--opt value") << QStringList{"read", "%d/x.dat", "--port", "five"} << 2 << ""
                                 << "--port needs a whole number, not \"five\"\n";
    QTest::newRow("-h") << QStringList{"-h"} << 0 << "usage: velmora-cli COMMAND"
                        << "";
    QTest::newRow("--help") << QStringList{"--help"} << 0 << "usage: velmora-cli COMMAND"
                            << "";
    QTest::newRow("command -h") << QStringList{"diff", "-h"} << 0 << "usage: velmora-cli diff "
                                << "";
    QTest::newRow("help command") << QStringList{"help", "read"} << 0
                                  << "usage: velmora-cli read OUT.dat"
                                  << "";
    QTest::newRow("help align") << QStringList{"help", "align"} << 0
                                << "usage: velmora-cli align PLAN.json --meter URL"
                                << "";
    QTest::newRow("help plot") << QStringList{"help", "plot"} << 0 << "usage: velmora-cli plot "
                               << "";
    QTest::newRow("help unknown") << QStringList{"help", "erase"} << 2 << ""
                                  << "unknown command: erase" + hint.arg("");
    QTest::newRow("keep-backups word")
        << QStringList{"write", "%d/a.dat", "--keep-backups", "x"} << 2 << ""
        << "--keep-backups needs a number of backups or all, not \"x\"\n";
    QTest::newRow("plot") << QStringList{"plot", "%d/a.dat", "-o", "%d/a.svg"} << 0 << "%d/a.svg\n"
                          << "";
    QTest::newRow("show") << QStringList{"show", "%d/a.dat"} << 0 << "@  0+4  portNumber: COM1"
                          << "";
    QTest::newRow("ports --json") << QStringList{"ports", "--json"} << 0 << "{\n    \"ports\": [\n"
                                  << "";
    QTest::newRow("--version") << QStringList{"--version"} << 0 << "velmora-cli 1.0.0.1\n"
                               << "";
  }
  void commandLineIsParsed() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, outStart);
    QFETCH(QString, err);
    QTemporaryDir dir;
    CalibrationImage image;
    image.LoadDefaults();
    QVERIFY(CalibrationFile::SaveToFile(image, dir.filePath("a.dat").toStdString(), {}).ok());
    args.replaceInStrings("%d", dir.path());
    // No login session: Qt's start-up warnings would show in err.
    const auto run = RunCli("/nonexistent", args, {{"XDG_RUNTIME_DIR", QString()}});
    QCOMPARE(run.err, err);
    outStart.replace("%d", dir.path());
    QCOMPARE(run.out.left(outStart.size()), outStart);
    QCOMPARE(run.exitCode, exitCode);
  }

  // The output is checked before the radio is touched: no scan, no connection message.
  void readChecksItsOutputBeforeTheRadio_data() {
    QTest::addColumn<QString>("output");
    QTest::newRow("missing folder") << "none/out.dat";
    QTest::newRow("folder") << ".";
    QTest::newRow("FIFO") << "fifo";
    QTest::newRow("link to a FIFO") << "fifo-link.dat";
    QTest::newRow("read-only file") << "ro.dat";
  }
  void readChecksItsOutputBeforeTheRadio() {
    QFETCH(QString, output);
    QTemporaryDir dir;
    QCOMPARE(::mkfifo(dir.filePath("fifo").toLocal8Bit().constData(), 0644), 0);
    QVERIFY(QFile::link(dir.filePath("fifo"), dir.filePath("fifo-link.dat")));
    QFile ro(dir.filePath("ro.dat"));
    QVERIFY(ro.open(QIODevice::WriteOnly));
    ro.write(QByteArray(308, 1));
    ro.close();
    QVERIFY(ro.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    const QString path = dir.filePath(output);
    const auto read = RunCli("/nonexistent", {"read", path});
    QCOMPARE(read.exitCode, 2);
    QVERIFY2(read.err.startsWith(path + ": "), qPrintable(read.err));
    QVERIFY2(!read.out.contains("连接对讲机失败!"), qPrintable(read.out));
    QCOMPARE(ReadAll(dir.filePath("ro.dat")), QByteArray(308, 1));
  }

  void readSurvivesAReaderThatLeftEarly() {
    QTemporaryDir dir;
    SimProcess radio;
    QVERIFY(radio.Start({"--factory"}));
    const QString out = dir.filePath("out.dat");
    const int status = RunWithClosedOutput(radio.path(), {"read", out});
    QVERIFY2(WIFEXITED(status), qPrintable(QString("killed by signal %1").arg(WTERMSIG(status))));
    QCOMPARE(WEXITSTATUS(status), 0);
    QCOMPARE(ReadAll(out).size(), 308);
  }

  void readRescuesWhatAFullDiskRefused() {
    QTemporaryDir dir;
    FullFilesystem full(dir.filePath("full"));
    if (!full.mounted()) QSKIP("no rights to mount a small filesystem here");
    SimProcess radio;
    QVERIFY(radio.Start({"--factory"}));
    const QString out = dir.filePath("full/out.dat");
    const auto read =
        RunCli(radio.path(), {"read", out}, {{"XDG_DATA_HOME", dir.filePath("data")}});
    QCOMPARE(read.exitCode, 2);
    QVERIFY(read.out.contains("成功!"));
    QVERIFY2(read.err.contains(out + ": No space left on device"), qPrintable(read.err));
    const QDir rescue(dir.filePath("data/Velmora/rescue"));
    const QStringList rescued = rescue.entryList(QDir::Files);
    QCOMPARE(rescued.size(), 1);
    QVERIFY2(read.err.contains("what was read is saved in " + rescue.filePath(rescued[0])),
             qPrintable(read.err));
    QCOMPARE(ReadAll(rescue.filePath(rescued[0])).size(), 308);
    QCOMPARE(QDir(dir.filePath("full")).entryList(QDir::Files | QDir::Hidden),
             QStringList{"filler"});
  }

  // The backup of a write holds what the radio had: writing it puts the radio's memory back.
  // The trace shows the bytes of the whole run.
  void writeBacksUpAndTheBackupRestores() {
    QTemporaryDir dir;
    SimProcess radio;
    const QString memory = dir.filePath("radio.mem");
    QVERIFY(radio.Start({"--memory", memory, "--factory"}));
    const QMap<QString, QString> env = {{"XDG_DATA_HOME", dir.filePath("data")}};
    const QString file = dir.filePath("edited.dat");
    CalibrationImage image;
    image.LoadDefaults();
    QVERIFY(CalibrationFile::SaveToFile(image, file.toStdString(), {}).ok());
    QCOMPARE(RunCli(radio.path(), {"write", file, "--no-backup"}, env).exitCode, 0);
    const QByteArray before = ReadAll(memory);
    image.SetLevel({Band::A, 0, 3}, 77);
    QVERIFY(CalibrationFile::SaveToFile(image, file.toStdString(), {}).ok());

    // A backup older than a year, beyond the newest 0 kept, goes once this write has succeeded.
    const QString old =
        dir.filePath("data/Velmora/backups/20200101-000000-COM1-564C4D2D53494D31.dat");
    QVERIFY(QDir().mkpath(QFileInfo(old).path()));
    QVERIFY(QFile::copy(file, old));
    const QString trace = dir.filePath("trace.txt");
    const auto write =
        RunCli(radio.path(), {"write", file, "--log", trace, "--keep-backups", "0"}, env);
    QCOMPARE(write.exitCode, 0);
    QVERIFY2(!QFile::exists(old) && write.out.contains("removed 1 old backups"),
             qPrintable(write.out));
    const QString backupLine = write.out.split('\n').filter("backup: ").value(0);
    const QString backup = backupLine.mid(QString("backup: ").size());
    QVERIFY2(backup.startsWith(dir.filePath("data/Velmora/backups/")), qPrintable(write.out));
    QVERIFY(ReadAll(memory) != before);
    const QString log = QString::fromUtf8(ReadAll(trace));
    for (const char* line : {"# job write started", " open: ok", " COM1 host>radio 52 0F 80 40",
                             " COM1 host>radio 57 1F F0 10", " COM1 radio>host 06", "# COM1 closed",
                             "# outcome: 成功!"}) {
      QVERIFY2(log.contains(line), line);
    }

    QCOMPARE(RunCli(radio.path(), {"write", backup, "--no-backup"}, env).exitCode, 0);
    QCOMPARE(ReadAll(memory), before);
  }

  // No absolute data folder: the write refuses before the radio is touched. A newline in the
  // data folder's name keeps the backup line one line; the data folder is private; the trace
  // is appended to, each run under a header of its own.
  void writeKeepsItsFilesPrivateAndItsLinesWhole() {
    QTemporaryDir dir;
    SimProcess radio;
    const QString memory = dir.filePath("radio.mem");
    QVERIFY(radio.Start({"--memory", memory, "--factory"}));
    const QString file = dir.filePath("image.dat");
    CalibrationImage image;
    image.LoadDefaults();
    QVERIFY(CalibrationFile::SaveToFile(image, file.toStdString(), {}).ok());
    const QByteArray before = ReadAll(memory);
    for (const auto& [home, dataHome] : {std::pair{"", ""}, std::pair{"/root", "relative"}}) {
      const auto refused =
          RunCli(radio.path(), {"write", file}, {{"HOME", home}, {"XDG_DATA_HOME", dataHome}});
      QCOMPARE(refused.exitCode, 2);
      QVERIFY2(refused.err.contains("set HOME or XDG_DATA_HOME to an absolute folder"),
               qPrintable(refused.err));
      QCOMPARE(ReadAll(memory), before);
    }
    const QString data = dir.filePath("da\nta");
    const QString trace = dir.filePath("trace.txt");
    for (int run = 1; run <= 2; ++run) {
      const auto write = RunCli(radio.path(), {"write", file, "--no-verify", "--log", trace},
                                {{"XDG_DATA_HOME", data}});
      QCOMPARE(write.exitCode, 0);
      const QStringList lines = write.out.split('\n').filter("backup: ");
      QCOMPARE(lines.size(), 1);
      QVERIFY2(lines[0].startsWith("backup: $'" + dir.path() + "/da\\nta/Velmora/backups/"),
               qPrintable(write.out));
    }
    const QString backups = data + "/Velmora/backups";
    for (const QString& folder : {data + "/Velmora", backups}) QCOMPARE(ModeOf(folder), 0700);
    const QStringList saved = QDir(backups).entryList(QDir::Files);
    QCOMPARE(saved.size(), 2);
    for (const QString& backup : saved) {
      QCOMPARE(ModeOf(backups + "/" + backup), 0600);
      QCOMPARE(ReadAll(backups + "/" + backup).size(), 308);
    }
    QCOMPARE(ModeOf(trace), 0600);
    const QStringList headers = QString::fromUtf8(ReadAll(trace)).split('\n').filter(" started ");
    QCOMPARE(headers.size(), 2);
    const QRegularExpression header(
        R"(^ +0\.\d{6} # velmora-cli 1\.0\.0\.1 started \d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3})"
        R"((Z|[+-]\d\d:\d\d) on \S+: ('[^']*velmora-cli'|\S*velmora-cli) write \S+ --no-verify --log \S+$)");
    for (const QString& line : headers) QVERIFY2(header.match(line).hasMatch(), qPrintable(line));
  }

  void verifyFailureExitsOne() {
    QTemporaryDir dir;
    SimProcess radio;
    QVERIFY(radio.Start({"--corrupt-write", "3"}));
    const QString file = dir.filePath("image.dat");
    CalibrationImage image;
    image.LoadDefaults();
    QVERIFY(CalibrationFile::SaveToFile(image, file.toStdString(), {}).ok());
    const QMap<QString, QString> env = {{"XDG_DATA_HOME", dir.filePath("data")}};
    const auto write = RunCli(radio.path(), {"write", file}, env);
    QCOMPARE(write.exitCode, 1);
    QVERIFY2(write.out.contains("写入校验失败!"), qPrintable(write.out));
    QVERIFY(write.out.contains("verify failed at 0x0FA0 wrote"));
    QCOMPARE(RunCli(radio.path(), {"write", file, "--no-verify"}, env).exitCode, 0);
  }

  // A read of what a write of a read put back differs only in the radio's own bytes.
  void aReadBackOfAWriteIsEqual() {
    QTemporaryDir dir;
    SimProcess radio;
    QVERIFY(radio.Start({"--factory"}));
    const QMap<QString, QString> env = {{"XDG_DATA_HOME", dir.filePath("data")}};
    const QString first = dir.filePath("first.dat"), second = dir.filePath("second.dat");
    QCOMPARE(RunCli(radio.path(), {"read", first}, env).exitCode, 0);
    QCOMPARE(RunCli(radio.path(), {"write", first}, env).exitCode, 0);
    QCOMPARE(RunCli(radio.path(), {"read", second}, env).exitCode, 0);
    const auto diff = RunCli(radio.path(), {"diff", first, second});
    QCOMPARE(diff.exitCode, 0);
    QVERIFY2(diff.out.startsWith("equal\n"), qPrintable(diff.out));
    QVERIFY(diff.out.contains("@252+16 fromRadioOnly"));
    QCOMPARE(RunCli(radio.path(), {"diff", first, second, "--all"}).exitCode, 1);
  }

  void portOnlyOrScan_data() {
    QTest::addColumn<QStringList>("portArgs");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("line");
    QTest::newRow("--port 1") << QStringList{"--port", "1"} << 0 << "radio answered on COM1 = ";
    QTest::newRow("--port 2 never falls through")
        << QStringList{"--port", "2"} << 1 << "COM2 = (no device): missing (no such device)";
    QTest::newRow("--port 2 --scan")
        << QStringList{"--port", "2", "--scan"} << 0 << "radio answered on COM1 = ";
  }
  void portOnlyOrScan() {
    QFETCH(QStringList, portArgs);
    QFETCH(int, exitCode);
    QFETCH(QString, line);
    QTemporaryDir dir;
    SimProcess radio;
    QVERIFY(radio.Start({}));
    const auto read = RunCli(radio.path(), QStringList{"read", dir.filePath("x.dat")} + portArgs);
    QCOMPARE(read.exitCode, exitCode);
    QVERIFY2(read.out.contains(line), qPrintable(read.out));
  }

  void portsTellsWhyAPortCannotBeOpened() {
    QTemporaryDir dir;
    SimProcess radio;
    QVERIFY(radio.Start({}));
    QSerialPort holder;
    holder.setPortName(radio.path());
    QVERIFY(holder.open(QIODevice::ReadWrite));
    const QMap<QString, QString> env = {{"VELMORA_COM3", dir.filePath("missing")}};
    const auto asUser = RunCli(radio.path(), {"ports"}, env);
    QCOMPARE(asUser.exitCode, 0);
    QVERIFY2(asUser.out.startsWith("COM1 = " + radio.path() + "  busy (held by another program)\n"),
             qPrintable(asUser.out));
    QVERIFY(
        asUser.out.contains("COM3 = " + dir.filePath("missing") + "  missing (no such device)\n"));
    const auto json =
        QJsonDocument::fromJson(RunCli(radio.path(), {"ports", "--json"}, env).out.toUtf8());
    const QJsonArray ports = json["ports"].toArray();
    QCOMPARE(ports.size(), 9);
    QCOMPARE(ports[0]["state"].toString(), "busy");
    QCOMPARE(ports[0]["device"].toString(), radio.path());
    QCOMPARE(ports[2]["state"].toString(), "missing");
    holder.close();
    QVERIFY(
        RunCli(radio.path(), {"ports"}, env).out.startsWith("COM1 = " + radio.path() + "  free\n"));
  }

  // A device the user may not open: the hint names its group, or says only its owner may.
  void permissionHintNamesWhoMayOpenTheDevice_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("hint");
    const QString join = "join the %1 group: sudo usermod -aG %1 $USER, then log in again";
    QTest::newRow("dialout") << 0660 << "dialout" << join.arg("dialout");
    QTest::newRow("another group") << 0660 << "uucp" << join.arg("uucp");
    QTest::newRow("group may only read") << 0640 << "uucp"
                                         << "only its owner root may open it";
    QTest::newRow("no bits at all") << 0 << "uucp"
                                    << "only its owner root may open it";
  }
  void permissionHintNamesWhoMayOpenTheDevice() {
    QFETCH(int, mode);
    QFETCH(QString, group);
    QFETCH(QString, hint);
    if (::getuid() != 0) QSKIP("needs root to give a file to another group and drop rights");
    const ::group* entry = ::getgrnam(group.toUtf8().constData());
    if (!entry) QSKIP("no such group here");
    if (!NobodyCanRun(CliForNobody()))
      QSKIP("the system's temporary folder is closed to the unprivileged user");
    QTemporaryDir dir;
    QVERIFY(QFile::setPermissions(
        dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeOther));
    const QString device = dir.filePath("device");
    QFile file(device);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(::chown(device.toUtf8().constData(), 0, entry->gr_gid), 0);
    QCOMPARE(::chmod(device.toUtf8().constData(), mode_t(mode)), 0);
    const auto ports = RunCli(device, {"ports"}, {}, /*unprivileged=*/true);
    QVERIFY2(ports.out.startsWith("COM1 = " + device + "  permission denied (" + hint + ")\n"),
             qPrintable(ports.describe()));
  }

  // A scan that finds no radio names every port it tried, in order, with its result.
  void aFailedScanListsEveryPortTried() {
    QTemporaryDir dir;
    QMap<QString, QString> env;
    for (int n = 2; n <= 9; ++n)
      env.insert(QString("VELMORA_COM%1").arg(n), dir.filePath(QString::number(n)));
    const auto read =
        RunCli(dir.filePath("1"), {"read", dir.filePath("x.dat"), "--port", "3", "--scan"}, env);
    QCOMPARE(read.exitCode, 1);
    const QStringList lines = read.out.split('\n');
    QCOMPARE(lines.value(0), "连接对讲机失败!");
    QString tried;
    for (int n : {3, 1, 2, 4, 5, 6, 7, 8, 9}) {
      tried += QString("%1COM%2 = %3: missing (no such device)")
                   .arg(tried.isEmpty() ? "" : "; ")
                   .arg(n)
                   .arg(dir.filePath(QString::number(n)));
    }
    QCOMPARE(lines.value(1), "no radio answered on COM1..COM9 (started at COM3): " + tried);
  }

  void noRadioFailsTheConnection() {
    QTemporaryDir dir;
    const auto read = RunCli("/nonexistent", {"read", dir.filePath("x.dat"), "--port", "10"});
    QCOMPARE(read.exitCode, 1);
    QVERIFY(read.out.contains("连接对讲机失败!"));
    QVERIFY(!QFile::exists(dir.filePath("x.dat")));
  }
};

QTEST_GUILESS_MAIN(CliEndToEndTest)
#include "CliEndToEndTest.moc"
