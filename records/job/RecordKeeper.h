#pragma once

#include <QString>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "records/ProductionRecord.h"
#include "records/RecordStore.h"

namespace velmora {

class CalibrationImage;
class CTransferJob;
struct AlignReport;

// A job's production record as the window and the command line keep it: built from the job, the
// radio and who works at the bench, committed to the bench's SQLite file, and forwarded from there
// to the line's database. One object per thread, as its database connection is.
class RecordKeeper {
 public:
  // What one job did to one radio.
  struct Job {
    std::string kind;
    std::string outcome;
    bool succeeded = false;
    std::string detail;
    int port = 0;
    std::string identification;  // the radio's raw answer
    std::vector<std::uint8_t> before, after;
    std::string backupPath;
    std::chrono::system_clock::time_point started;
    std::chrono::system_clock::time_point ended;  // now, when not given
    std::string serial;  // the scanned radio's, when it is not the keeper's own
    // An alignment's: the plan, the meter and every point.
    std::string planName, planSha256, meterIdentification, meterUrl;
    std::vector<AlignmentPointRow> points;
  };
  // What a forward left behind.
  struct Forwarding {
    bool reached = false;  // the line's database was opened
    long long waiting = 0;
    std::string error;
  };

  // A transfer job as it ended: the image it left and, for a write, the backup's bytes as the
  // image before.
  static Job FromTransfer(const std::string& kind, const CTransferJob& job,
                          const std::string& shown, const CalibrationImage& image,
                          std::chrono::system_clock::time_point started);
  // An alignment as a record of kind "align": the plan, the meter and every point's row; the
  // outcome and the image after are the caller's, who knows what reached the radio.
  static Job FromAlignment(const AlignReport& report, const CalibrationImage& before,
                           std::chrono::system_clock::time_point started);
  // The bench's SQLite file in the data folder; empty, with the reason in problem, without one.
  static QString BenchPath(QString* problem = nullptr);
  // The line's database from the settings; empty for a bench alone.
  static QString SettingsUrl();
  static std::string LoginName();
  // The bench's queue sent to the line's database within limit; what still waits.
  static Forwarding Forward(RecordStore& bench, const QString& lineUrl,
                            std::chrono::milliseconds limit);

  RecordKeeper(std::string serial, std::string lot, std::string operatorName);
  ~RecordKeeper();
  void setSerial(const std::string& serial) { m_serial = serial; }
  void setLot(const std::string& lot) { m_lot = lot; }

  // The bench's database, opened now when not yet; false with the reason.
  bool Open(std::string& error);
  // Commits the job's record to the bench; false with the reason when it is not kept.
  bool Commit(const Job& job, std::string& error);
  // The bench's store once opened, for a forward on this thread.
  RecordStore* store() const { return m_store.get(); }

 private:
  ProductionRecord Record(const Job& job) const;

  std::string m_serial, m_lot, m_operator, m_bench;
  std::unique_ptr<RecordStore> m_store;
};

}  // namespace velmora
