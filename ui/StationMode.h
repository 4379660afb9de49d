#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <optional>

#include "instrument/InstrumentSettings.h"
#include "ui/StationView.h"

namespace velmora {

class StationHost;

// 对讲机 → 产线模式: the plan chosen once, the meter from its settings (refused when its
// calibration is overdue) and the window's port, then the operator's view over the window until
// the operator leaves it through its menu.
class StationMode : public QObject {
  Q_OBJECT

 public:
  // window: the one the operator's view covers; host: what the mode needs of it.
  StationMode(QWidget* window, StationHost& host);

  void Enter();
  // The operator's view while the mode is on, else null.
  StationView* view() const { return m_view; }

  // Whether the bench's records hold a PASS for this serial started today (local time).
  static bool PassedToday(const QString& serial);

 private:
  // velmora-cli: the one installed beside the window, else the first on the PATH.
  static QString Program();
  std::optional<InstrumentSettings> Meter(const QString& planMeterUrl);

  QWidget* m_window;
  StationHost& m_host;
  QPointer<StationView> m_view;
};

}  // namespace velmora
