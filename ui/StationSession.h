#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace velmora {

// The window's line station: one `velmora-cli station` for the whole session, fed one scanned
// serial at a time, so that the window and the command line run a radio through the very same
// read, alignment, write and record. Tells each step as it starts and each radio's result.
class StationSession : public QObject {
  Q_OBJECT

 public:
  struct Setup {
    QString program;  // velmora-cli
    QString planPath;
    QString meterUrl;
    int port = 1;
  };
  struct Result {
    enum class Verdict { Pass, Fail, Stopped };
    Verdict verdict = Verdict::Fail;
    QString reason;  // for a FAIL: what went wrong and the failed points
    double seconds = 0;
  };

  explicit StationSession(Setup setup, QObject* parent = nullptr);
  ~StationSession() override;

  // Starts the station program; false, with its own words in error, when it refuses to run.
  bool Start(QString& error);
  // Runs the radio on the port under this serial; refused while a radio runs.
  bool Scan(const QString& serial);
  bool IsBusy() const { return !m_serial.isEmpty(); }
  // Ends the session once the radio under way is done.
  void Stop();

  // One radio's line as the station prints it, for this serial.
  static Result ParseResult(const QString& serial, const QString& line);

 signals:
  void StepStarted(const QString& step);
  void RadioFinished(const QString& serial, const velmora::StationSession::Result& result);
  // The station program ended on its own: its last words.
  void Ended(const QString& why);

 private:
  void OnOutput();
  void OnFinished();

  Setup m_setup;
  QProcess m_process;
  QString m_serial;  // of the radio under way, empty when idle
  bool m_stopping = false;
};

}  // namespace velmora
