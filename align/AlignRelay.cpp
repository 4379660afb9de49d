#include "align/AlignRelay.h"

#include <QThread>
#include <utility>

namespace velmora {

AlignRelay::AlignRelay(QObject* parent) : QObject(parent) {
  connect(this, &AlignRelay::Pending, this, &AlignRelay::Deliver, Qt::QueuedConnection);
}

void AlignRelay::PostProgress(const QString& text, int done, int total) {
  Report r;
  r.text = text;
  r.point = done;
  r.level = total;
  Post(std::move(r));
}

void AlignRelay::PostTried(int band, int table, int point, int level, double watts) {
  Report r;
  r.kind = Report::Kind::Tried;
  r.band = band, r.table = table, r.point = point, r.level = level, r.watts = watts;
  Post(std::move(r));
}

void AlignRelay::PostPointFinished(const PointResult& result) {
  Report r;
  r.kind = Report::Kind::Point;
  r.result = result;
  Post(std::move(r));
}

void AlignRelay::PostFinished(const AlignOutcome& outcome) {
  Report r;
  r.kind = Report::Kind::Finished;
  r.outcome = outcome;
  Post(std::move(r));
}

void AlignRelay::Post(Report report) {
  const bool wake = m_queue.Push(std::move(report));
  if (QThread::currentThread() == thread()) {
    Deliver();  // no event loop need run here: what waits goes out now, in order
  } else if (wake) {
    emit Pending();
  }
}

void AlignRelay::Deliver() {
  for (const Report& r : m_queue.TakeAll()) Emit(r);
}

void AlignRelay::Emit(const Report& r) {
  switch (r.kind) {
    case Report::Kind::Progress:
      emit Progress(r.text, r.point, r.level);
      break;
    case Report::Kind::Tried:
      emit Tried(r.band, r.table, r.point, r.level, r.watts);
      break;
    case Report::Kind::Point:
      emit PointFinished(r.result);
      break;
    case Report::Kind::Finished:
      emit Finished(*r.outcome);
      break;
  }
}

}  // namespace velmora
