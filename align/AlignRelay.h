#pragma once

#include <QObject>
#include <QString>
#include <optional>

#include "align/AlignOutcome.h"
#include "align/PointResult.h"
#include "transfer/RelayQueue.h"

namespace velmora {

// Hands an alignment job's news from the thread that runs it to the thread this object lives
// on, as JobRelay does for a transfer: values wait in a queue under a mutex and only an
// argument-free signal crosses threads. News posted on this object's own thread is delivered at
// once, so a job run where it was made needs no event loop and leaves nothing queued behind.
class AlignRelay : public QObject {
  Q_OBJECT

 public:
  explicit AlignRelay(QObject* parent = nullptr);

  // Any thread.
  void PostProgress(const QString& text, int done, int total);
  void PostTried(int band, int table, int point, int level, double watts);
  void PostPointFinished(const PointResult& result);
  void PostFinished(const AlignOutcome& outcome);

 signals:
  void Progress(const QString& text, int done, int total);  // "A 高功率 点 3: 第 2 次" etc.
  void Tried(int band, int table, int point, int level, double watts);  // after each reading
  void PointFinished(const velmora::PointResult& result);
  void Finished(const velmora::AlignOutcome& outcome);

  // Worker to owner: something waits in the queue.
  void Pending();

 private:
  struct Report {
    enum class Kind { Progress, Tried, Point, Finished } kind = Kind::Progress;
    QString text;
    int band = 0, table = 0, point = 0, level = 0;  // Progress: done in point, total in level
    double watts = 0;
    PointResult result;
    std::optional<AlignOutcome> outcome;
  };

  void Post(Report report);
  void Deliver();
  void Emit(const Report& report);

  RelayQueue<Report> m_queue;
};

}  // namespace velmora
