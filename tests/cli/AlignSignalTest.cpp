#include <signal.h>

#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <thread>
#include <vector>

#include "tests/cli/CliProcess.h"
#include "tests/cli/SimPlan.h"

using namespace velmora::test;
using namespace std::chrono_literals;

namespace {

constexpr auto kBetweenSignals = 30ms;  // the second signal of a pair, well inside the write
constexpr auto kPhaseTimeout = 60s;     // a phase that never comes fails the case
constexpr int kSettleMs = 120;          // each try's window for a signal after its live tune
constexpr int kKillSettleMs = 20;       // kills need no window: a shorter run
constexpr int kKillRuns = 30;
constexpr int kKillShares = VELMORA_KILL_SHARES;  // one ctest part each: the runs mostly wait
constexpr auto kWriteBlocksTime = 400ms;          // 14 paced blocks and their acknowledgements

enum class Phase { Search, LastTry, Write };

// A paced simulated radio with its meter, a fresh memory each time: the same old image.
struct Radio {
  SimProcess process;
  QString url;
  bool Start() {
    if (!process.Start({"--factory", "--paced", "--meter", "tcp:127.0.0.1:0", "--radio-seed", "3",
                        "--pa-settle-ms", "4"}))
      return false;
    url = process.NextLine().section(' ', 1);
    return !url.isEmpty();
  }
};

// The README's sim plan cut down to two points of table A0, with a settling time long enough
// for a signal to land inside a try.
QString WritePlan(const QString& path, int settleMs) {
  if (WriteSimPlan(path, settleMs).isEmpty()) return {};
  QFile file(path);
  if (!file.open(QIODevice::ReadWrite)) return {};
  QJsonObject plan = QJsonDocument::fromJson(file.readAll()).object();
  plan["points"] = QJsonArray{3, 9};
  file.resize(0);
  file.write(QJsonDocument(plan).toJson());
  return path;
}

// velmora-cli align --write running against the radio, its trace in the case's folder.
struct AlignRun {
  QProcess cli;
  QString trace;

  void Start(const Radio& radio, const QString& plan, const QTemporaryDir& dir) {
    trace = dir.filePath("trace.txt");
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("VELMORA_COM1", radio.process.path());
    env.insert("XDG_DATA_HOME", dir.filePath("data"));
    cli.setProcessEnvironment(env);
    cli.start(VELMORA_CLI_PATH,
              {"align", plan, "--meter", radio.url, "--port", "1", "--tables", "A0", "--write",
               "--out", dir.filePath("aligned.dat"), "--log", trace});
  }
  // Waits until the trace holds `text` at least `count` times; false when the tool ended first.
  bool WaitFor(const QString& text, int count) {
    return WaitForTrace(cli, trace, text, count, kPhaseTimeout);
  }
  void Signal(int signal) { ::kill(pid_t(cli.processId()), signal); }
  void Finish() { cli.waitForFinished(int(std::chrono::milliseconds(kPhaseTimeout).count())); }
};

// The data folder of the reads and the restore: the case's own, never the user's records.
QMap<QString, QString> OwnData(const QTemporaryDir& dir) {
  return {{"XDG_DATA_HOME", dir.filePath("other-data")}};
}

QByteArray ReadRadio(const Radio& radio, const QTemporaryDir& dir, const QString& name) {
  const QString path = dir.filePath(name);
  const auto read = RunCli(radio.process.path(), {"read", path, "--port", "1"}, OwnData(dir));
  return read.exitCode == 0 ? ReadAll(path) : QByteArray();
}

// The backups a write saved in the case's data folder.
QStringList Backups(const QTemporaryDir& dir) {
  QStringList backups;
  QDirIterator it(dir.filePath("data"), {"*.dat"}, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) backups << it.next();
  return backups;
}

}  // namespace

Q_DECLARE_METATYPE(Phase)

// Stop signals and SIGKILL at every stage of `align --write` through the real programs: the
// radio ends with its old memory or the complete aligned one; after a second signal during the
// write the printed restore command, run as printed, brings the old memory back.
class AlignSignalTest : public QObject {
  Q_OBJECT

  QTemporaryDir m_dir;
  QString m_plan;
  QString m_killPlan;
  QByteArray m_old;      // the fresh radio's image
  QByteArray m_aligned;  // the image an undisturbed run writes
  int m_tries = 0;       // live tunes of an undisturbed run
  std::chrono::milliseconds m_runTime{0};

 private slots:
  void initTestCase() {
    m_plan = WritePlan(m_dir.filePath("plan.json"), kSettleMs);
    m_killPlan = WritePlan(m_dir.filePath("kill-plan.json"), kKillSettleMs);
    QVERIFY(!m_plan.isEmpty() && !m_killPlan.isEmpty());
    Radio radio;
    QVERIFY(radio.Start());
    QTemporaryDir dir;
    m_old = ReadRadio(radio, dir, "old.dat");
    QCOMPARE(m_old.size(), 308);
    AlignRun run;
    const auto start = std::chrono::steady_clock::now();
    run.Start(radio, m_plan, dir);
    run.Finish();
    m_runTime = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    QVERIFY2(run.cli.exitCode() == 0, run.cli.readAllStandardError().constData());
    m_aligned = ReadRadio(radio, dir, "new.dat");
    QVERIFY(m_aligned != m_old);
    m_tries = QString::fromUtf8(ReadAll(run.trace)).count("# job live started");
    QVERIFY(m_tries >= 2);
  }

  // One part a signal: the cases mostly wait on the paced line, so the parts run side by side.
  void stopOnSigint_data() { StopRows("SIGINT", SIGINT); }
  void stopOnSigint() { StopSignal(); }
  void stopOnSigterm_data() { StopRows("SIGTERM", SIGTERM); }
  void stopOnSigterm() { StopSignal(); }
  void stopOnSighup_data() { StopRows("SIGHUP", SIGHUP); }
  void stopOnSighup() { StopSignal(); }

  // The kill runs, in shares of their own: share k takes runs k, k + kKillShares, ...; odd runs'
  // kills land inside the write's blocks, so odd shares hold only those.
  void killedAtRandomMoments_data() {
    QTest::addColumn<int>("share");
    for (int share = 0; share < kKillShares; ++share) QTest::addRow("share%d", share) << share;
  }
  void killedAtRandomMoments() {
    QFETCH(int, share);
    KillRuns(share);
  }

 private:
  static void StopRows(const char* name, int signal) {
    QTest::addColumn<int>("signal");
    QTest::addColumn<Phase>("phase");
    QTest::addColumn<int>("count");
    const std::pair<const char*, Phase> phases[] = {
        {"search", Phase::Search}, {"last try", Phase::LastTry}, {"write", Phase::Write}};
    for (const auto& [where, phase] : phases)
      for (const int n : {1, 2})
        QTest::addRow("%s during the %s, %d", name, where, n) << signal << phase << n;
  }

  void StopSignal() {
    QFETCH(int, signal);
    QFETCH(Phase, phase);
    QFETCH(int, count);
    Radio radio;
    QVERIFY(radio.Start());
    QTemporaryDir dir;
    AlignRun run;
    run.Start(radio, m_plan, dir);
    const bool reached = phase == Phase::Search    ? run.WaitFor("# job live started", 1)
                         : phase == Phase::LastTry ? run.WaitFor("# job live started", m_tries)
                                                   : run.WaitFor(" host>radio 57", 1);
    QVERIFY2(reached, qPrintable(QString::fromUtf8(ReadAll(run.trace)).right(400)));
    run.Signal(signal);
    if (count == 2) {
      std::this_thread::sleep_for(kBetweenSignals);
      run.Signal(signal);
    }
    run.Finish();
    const QString out = QString::fromUtf8(run.cli.readAllStandardOutput());
    const QString err = QString::fromUtf8(run.cli.readAllStandardError());
    const QString shown = out + "\n" + err;

    const QByteArray after = ReadRadio(radio, dir, "after.dat");
    if (count == 1) {
      QCOMPARE(run.cli.exitStatus(), QProcess::NormalExit);
      if (phase == Phase::Write) {  // the write and its verify were let finish
        QVERIFY2(
            run.cli.exitCode() == 0 && out.contains("wrote 14 blocks, verified") && after != m_old,
            qPrintable(shown));
        QVERIFY2(out.contains("stop asked during the write"), qPrintable(shown));
      } else {  // nothing is written, whatever the outcome, and the first line says so
        QVERIFY2(run.cli.exitCode() == 1 && after == m_old, qPrintable(shown));
        QVERIFY2(out.startsWith("已取消 cancelled\n"), qPrintable(shown));
      }
      return;
    }
    QCOMPARE(run.cli.exitStatus(), QProcess::CrashExit);
    const QString restore = err.split('\n').filter("restore: ").value(0).section("restore: ", 1);
    if (phase != Phase::Write) {
      QVERIFY2(restore.isEmpty() && after == m_old, qPrintable(shown));
      return;
    }
    // The restore line names velmora-cli, whichever of its programs printed it, and works.
    QVERIFY2(restore.startsWith(QStringLiteral(VELMORA_CLI_PATH " write ")), qPrintable(shown));
    QProcess shell;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("VELMORA_COM1", radio.process.path());
    env.insert("XDG_DATA_HOME", OwnData(dir).value("XDG_DATA_HOME"));
    shell.setProcessEnvironment(env);
    shell.start("/bin/sh", {"-c", restore});
    QVERIFY(shell.waitForFinished(60000));
    QVERIFY2(shell.exitCode() == 0, shell.readAllStandardOutput().constData());
    QCOMPARE(ReadRadio(radio, dir, "restored.dat"), m_old);
  }

  // A kill at any moment leaves the old memory, the aligned one, or a backup of the old one
  // saved before the first block.
  void KillRuns(int share) {
    QRandomGenerator random(27);
    std::vector<std::chrono::milliseconds> delays;
    for (int i = 0; i < kKillRuns; ++i) {
      const auto span = i % 2 == 1 ? kWriteBlocksTime : m_runTime;
      delays.emplace_back(random.bounded(int(span.count())));
    }
    int old = 0, aligned = 0, restorable = 0;
    for (int i = share; i < kKillRuns; i += kKillShares) {
      Radio radio;
      QVERIFY(radio.Start());
      QTemporaryDir dir;
      AlignRun run;
      const auto delay = delays[std::size_t(i)];
      run.Start(radio, m_killPlan, dir);
      run.cli.waitForStarted();
      if (i % 2 == 1) QVERIFY(run.WaitFor(" host>radio 57", 1));
      std::this_thread::sleep_for(delay);
      run.Signal(SIGKILL);
      run.Finish();
      const QByteArray after = ReadRadio(radio, dir, "after.dat");
      QCOMPARE(after.size(), 308);
      if (after == m_old) {
        ++old;
      } else if (after == m_aligned) {
        ++aligned;
      } else {
        // Half-written: the backup saved before the first block puts the old memory back.
        const QString where =
            QStringLiteral("run %1, killed after %2 ms").arg(i).arg(delay.count());
        const QStringList backups = Backups(dir);
        QVERIFY2(backups.size() == 1, qPrintable(where));
        QCOMPARE(RunCli(radio.process.path(), {"write", backups[0], "--port", "1", "--no-backup"},
                        OwnData(dir))
                     .exitCode,
                 0);
        QVERIFY2(ReadRadio(radio, dir, "restored.dat") == m_old, qPrintable(where));
        ++restorable;
      }
    }
    qInfo("%d old, %d aligned, %d half-written with a backup of the old memory", old, aligned,
          restorable);
  }
};

QTEST_GUILESS_MAIN(AlignSignalTest)
#include "AlignSignalTest.moc"
