#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <memory>

namespace velmora {

class RecordStore;

// On its own thread: offers the bench's queue to the line's database whenever asked and every
// kInterval, each pass within kPassLimit, and tells how many records still wait.
class RecordForwarding : public QObject {
  Q_OBJECT

 public:
  static constexpr std::chrono::seconds kInterval{30};
  static constexpr std::chrono::seconds kPassLimit{10};

  RecordForwarding(QString benchPath, QString lineUrl);
  ~RecordForwarding() override;
  // On the worker thread, once it runs.
  void Start();
  void Forward();

 signals:
  void Waiting(qint64 waiting);

 private:
  QString m_benchPath, m_lineUrl;
  std::unique_ptr<RecordStore> m_bench;
  QTimer* m_timer = nullptr;
};

}  // namespace velmora
