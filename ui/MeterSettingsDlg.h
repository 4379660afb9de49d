#pragma once

#include <QDialog>
#include <QPointer>
#include <memory>

#include "instrument/InstrumentSettings.h"
#include "instrument/MeterCheck.h"

class QComboBox;
class QDateEdit;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QThread;

namespace velmora {

// The bench's power meter as the window keeps it: its URL, its command dialect and the
// attenuator between radio and sensor and when its calibration runs out, with "测试", which asks
// the meter who it is on a worker thread and shows its answer or what failed, while the dialog
// stays usable.
class MeterSettingsDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr double kMaxAttenuatorDb = 100.0;
  static constexpr int kAttenuatorDecimals = 2;

  MeterSettingsDlg(const InstrumentSettings& settings, QWidget* parent = nullptr);
  // A check still on its way ends first: its link belongs to its thread.
  ~MeterSettingsDlg() override;

  // The settings as the dialog shows them now.
  InstrumentSettings Settings() const;
  void OnTest();
  bool IsTesting() const { return m_test != nullptr; }

  QLineEdit* urlEdit() const { return m_url; }
  QComboBox* dialectBox() const { return m_dialect; }
  QDoubleSpinBox* attenuatorBox() const { return m_attenuator; }
  QDateEdit* calibrationDueEdit() const { return m_calibrationDue; }
  QPushButton* testButton() const { return m_testButton; }
  QLabel* testResult() const { return m_result; }

 signals:
  // The check "测试" started has its answer.
  void Tested(const velmora::MeterCheck& check);

 private:
  void ShowCheck(const MeterCheck& check);

  QLineEdit* m_url;
  QComboBox* m_dialect;
  QDoubleSpinBox* m_attenuator;
  QDateEdit* m_calibrationDue;
  QPushButton* m_testButton;
  QLabel* m_result;
  QPointer<QThread> m_test;
};

}  // namespace velmora
