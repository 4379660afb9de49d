#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <vector>

#include "records/ProductionRecord.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace velmora {

// 文件 → 历史记录...: every job the bench kept for one radio, newest first, and either image of a
// job (before or after it) opened into the window, where it is work that is in no file yet.
class HistoryDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr const char* kTitle = QT_TR_NOOP("历史记录");
  static constexpr const char* kSerialText = QT_TR_NOOP("序列号:");
  static constexpr const char* kSearchText = QT_TR_NOOP("查找");
  static constexpr const char* kOpenBeforeText = QT_TR_NOOP("打开作业前的数据");
  static constexpr const char* kOpenAfterText = QT_TR_NOOP("打开作业后的数据");
  static constexpr const char* kNoneText = QT_TR_NOOP("没有序列号 %1 的记录");
  enum Column { kTime, kKind, kOutcome, kStation, kOperator, kColumns };

  HistoryDlg(QWidget* parent, QString benchPath);
  // The image the user chose to open, once the dialog is accepted.
  const std::vector<std::uint8_t>& chosenImage() const { return m_chosen; }

  QLineEdit* serialEdit() const { return m_serial; }
  QTableWidget* table() const { return m_table; }
  QPushButton* openBeforeButton() const { return m_openBefore; }
  QPushButton* openAfterButton() const { return m_openAfter; }
  QLabel* statusLabel() const { return m_status; }

  void Search();

 private:
  void ShowJobs();
  void UpdateButtons();
  void OpenImage(bool after);

  QString m_benchPath;
  std::vector<std::uint8_t> m_chosen;
  std::vector<ProductionRecord> m_jobs;
  QLineEdit* m_serial;
  QTableWidget* m_table;
  QPushButton* m_openBefore;
  QPushButton* m_openAfter;
  QLabel* m_status;
};

}  // namespace velmora
