#pragma once

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QString>
#include <QThread>
#include <memory>

#include "records/LotData.h"
#include "records/LotStatistics.h"
#include "records/RecordStore.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QSvgWidget;
class QTabWidget;
class QTableWidget;
class QVBoxLayout;

namespace velmora {

struct WindowPrompts;

// 批次统计: a lot's alignments from the production records, chosen by lot, start date and
// station, read and summed up on a worker thread, shown as the per-point table, the flagged
// radios and drift steps, and the lot report's own charts; "保存报告" writes the same HTML, CSV
// or JSON file `velmora-cli stats` writes.
class LotStatisticsDlg : public QDialog {
  Q_OBJECT

 public:
  // The databases the dialog offers: this bench's SQLite file and the line's, when one is set.
  struct Sources {
    QString bench;
    QString line;
    // As the program's settings and data folder have them.
    static Sources Program();
  };
  // What one query found; written by the worker, read once it has ended.
  struct Result {
    RecordFilter filter;
    LotData lot;
    LotSummary summary;
    std::string error;
  };

  LotStatisticsDlg(Sources sources, const WindowPrompts& prompts, QWidget* parent = nullptr);
  // A query still on its way ends first: its connection belongs to its thread.
  ~LotStatisticsDlg() override;

  void OnQuery();
  void OnSaveReport();
  bool IsQuerying() const { return m_query != nullptr; }
  // The last query's result; null before one ended.
  const Result* result() const { return m_result.get(); }

  QLineEdit* lotEdit() const { return m_lot; }
  QCheckBox* sinceBox() const { return m_sinceOn; }
  QDateEdit* sinceEdit() const { return m_since; }
  QLineEdit* stationEdit() const { return m_station; }
  QComboBox* sourceBox() const { return m_source; }
  QPushButton* queryButton() const { return m_queryButton; }
  QPushButton* saveButton() const { return m_saveButton; }
  QLabel* summaryLabel() const { return m_summary; }
  QTableWidget* pointTable() const { return m_points; }
  QTableWidget* flaggedTable() const { return m_flagged; }
  const QList<QSvgWidget*>& charts() const { return m_charts; }

 signals:
  // A query ended and its result is shown.
  void Queried();

 private:
  RecordFilter Filter() const;
  QWidget* FilterRow();
  void Show(std::shared_ptr<const Result> result);
  void ShowCharts();

  Sources m_sources;
  const WindowPrompts& m_prompts;
  QLineEdit* m_lot;
  QCheckBox* m_sinceOn;
  QDateEdit* m_since;
  QLineEdit* m_station;
  QComboBox* m_source;
  QPushButton* m_queryButton;
  QPushButton* m_saveButton;
  QLabel* m_summary;
  QTabWidget* m_tabs;
  QTableWidget* m_points;
  QTableWidget* m_flagged;
  QVBoxLayout* m_chartColumn;
  QList<QSvgWidget*> m_charts;
  QPointer<QThread> m_query;
  std::shared_ptr<const Result> m_result;
};

}  // namespace velmora
