#include "ui/RecordForwarding.h"

#include "records/RecordStore.h"
#include "records/job/RecordKeeper.h"

namespace velmora {

RecordForwarding::RecordForwarding(QString benchPath, QString lineUrl)
    : m_benchPath(std::move(benchPath)), m_lineUrl(std::move(lineUrl)) {}

// The connections are this thread's: closed here, where they were opened.
RecordForwarding::~RecordForwarding() = default;

void RecordForwarding::Start() {
  m_timer = new QTimer(this);
  connect(m_timer, &QTimer::timeout, this, &RecordForwarding::Forward);
  m_timer->start(kInterval);
  Forward();
}

void RecordForwarding::Forward() {
  std::string error;
  if (!m_bench) m_bench = RecordStore::Open(m_benchPath, error);
  if (!m_bench) return;
  emit Waiting(RecordKeeper::Forward(*m_bench, m_lineUrl, kPassLimit).waiting);
}

}  // namespace velmora
