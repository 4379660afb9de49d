#pragma once

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QTemporaryDir>
#include <atomic>

// A PostgreSQL server of the test's own: initdb into a temporary folder, listening only on a Unix
// socket in that folder, run as an unprivileged user when the tests run as root (the server
// refuses root). One per test program; each case takes a fresh database from it.
namespace velmora::test {

class PostgresServer {
 public:
  static constexpr const char* kBin = "/usr/lib/postgresql/15/bin/";
  static constexpr uid_t kNobody = 65534;
  static constexpr int kStartMs = 60000;

  // Why the server is not there ("" when it runs).
  QString Start() {
    if (!m_dir.isValid()) return "no temporary folder";
    QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                            QFile::ReadOther | QFile::ExeOther);
    if (::getuid() == 0 && ::chown(QFile::encodeName(m_dir.path()).constData(), kNobody,
                                   kNobody) != 0) {
      return "cannot hand the folder to nobody";
    }
    if (!QFile::exists(QString(kBin) + "initdb")) return QString(kBin) + "initdb is missing";
    QString why = Run("initdb", {"-D", data(), "-U", "velmora", "-A", "trust", "--no-sync"});
    if (why.isEmpty())
      why = Run("pg_ctl", {"-D", data(), "-w", "-l", m_dir.filePath("log"), "-o", Options(), "start"});
    m_running = why.isEmpty();
    return why;
  }
  ~PostgresServer() {
    if (m_running) Stop();
  }
  QString Stop() {
    m_running = false;
    return Run("pg_ctl", {"-D", data(), "-w", "-m", "fast", "stop"});
  }
  QString Restart() {
    m_running = true;
    return Run("pg_ctl", {"-D", data(), "-w", "-l", m_dir.filePath("log"), "-o", Options(), "start"});
  }
  // A new, empty database; its URL for the program.
  QString NewDatabase() {
    static std::atomic<int> number{0};
    const QString name = QString("records%1").arg(++number);
    {
      QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "velmora-admin");
      db.setHostName(m_dir.path());
      db.setUserName("velmora");
      db.setDatabaseName("postgres");
      if (db.open()) QSqlQuery(db).exec("CREATE DATABASE " + name);
      db.close();
    }
    QSqlDatabase::removeDatabase("velmora-admin");
    return Url(name);
  }
  QString Url(const QString& database) const {
    return "postgresql://velmora@localhost/" + database + "?host=" + m_dir.path();
  }

 private:
  QString data() const { return m_dir.filePath("data"); }
  QString Options() const { return "-k " + m_dir.path() + " -c listen_addresses= -c fsync=off"; }

  QString Run(const QString& tool, const QStringList& args) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (::getuid() == 0) {
      process.setChildProcessModifier([] {
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(127);
      });
    }
    process.setWorkingDirectory(m_dir.path());
    process.start(kBin + tool, args);
    if (!process.waitForFinished(kStartMs) || process.exitCode() != 0)
      return tool + " failed: " + QString::fromLocal8Bit(process.readAll());
    return {};
  }

  QTemporaryDir m_dir;
  bool m_running = false;
};

}  // namespace velmora::test
