#include "ui/LotStatisticsTables.h"

#include <QBrush>
#include <QColor>
#include <QHeaderView>
#include <QTableWidget>

#include "res/TableNames.h"

namespace velmora {
namespace {

const QColor kNotCapable(0xf8, 0xd0, 0xd0);

QTableWidget* Table(const QStringList& headers, QWidget* parent) {
  auto* table = new QTableWidget(0, int(headers.size()), parent);
  table->setHorizontalHeaderLabels(headers);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->verticalHeader()->hide();
  return table;
}

QTableWidgetItem* Cell(const QString& text, Qt::Alignment align = Qt::AlignRight) {
  auto* item = new QTableWidgetItem(text);
  item->setTextAlignment(align | Qt::AlignVCenter);
  return item;
}

QString Number(double value, int decimals) { return QString::number(value, 'f', decimals); }

void AddRow(QTableWidget* table, const QList<QTableWidgetItem*>& cells) {
  const int row = table->rowCount();
  table->insertRow(row);
  for (int column = 0; column < cells.size(); ++column) table->setItem(row, column, cells[column]);
}

}  // namespace

QTableWidget* LotStatisticsTables::PointTable(QWidget* parent) {
  return Table({tr("点"), tr("MHz"), tr("目标 W"), tr("n"), tr("电平中位数"), tr("MAD"),
                tr("平均 W"), tr("σ W"), tr("Cpk"), tr("实调次数")},
               parent);
}

QTableWidget* LotStatisticsTables::FlaggedTable(QWidget* parent) {
  QTableWidget* table = Table({tr("序列号"), tr("类别"), tr("说明")}, parent);
  table->horizontalHeader()->setStretchLastSection(true);
  return table;
}

QString LotStatisticsTables::PointName(const LotPointKey& key, double mhz) {
  return (key.band ? tr("B段") : tr("A段")) + ' ' + res::TableName(key.table) + ' ' +
         res::PointName(key.point, qRound(mhz));
}

void LotStatisticsTables::FillPoints(QTableWidget* table, const LotSummary& summary) {
  table->setRowCount(0);
  for (const PointStatistics& s : summary.points) {
    QTableWidgetItem* cpk = Cell(s.cpk ? Number(*s.cpk, 2) : QStringLiteral("–"));
    if (!s.cpk || *s.cpk < kCapableCpk) cpk->setBackground(kNotCapable);
    AddRow(table,
           {Cell(PointName(s.point.key, s.point.mhz), Qt::AlignLeft), Cell(Number(s.point.mhz, 3)),
            Cell(Number(s.point.targetWatts, 2) + " ± " + Number(s.point.windowWatts, 3)),
            Cell(QString::number(s.n)), Cell(Number(s.levelMedian, 1)), Cell(Number(s.levelMad, 1)),
            Cell(Number(s.wattsMean, 3)), Cell(Number(s.wattsSigma, 4)), cpk,
            Cell(Number(s.liveTunes, 2))});
  }
  table->resizeColumnsToContents();
}

void LotStatisticsTables::FillFlagged(QTableWidget* table, const LotData& lot,
                                      const LotSummary& summary) {
  table->setRowCount(0);
  auto serial = [&](std::size_t radio) { return QString::fromStdString(lot.radios[radio].serial); };
  for (const OutlierRadio& o : summary.outliers) {
    const PointStatistics& s = summary.points[std::size_t(o.point)];
    AddRow(table, {Cell(serial(o.radio), Qt::AlignLeft), Cell(tr("离群"), Qt::AlignLeft),
                   Cell(tr("%1 电平 %2，离批次中位数 %3 有 %4 个 MAD")
                            .arg(PointName(s.point.key, s.point.mhz))
                            .arg(o.level)
                            .arg(Number(s.levelMedian, 1), Number(o.mads, 1)),
                        Qt::AlignLeft)});
  }
  for (const StationDrift& station : summary.drift) {
    for (const DriftAlarmAt& a : station.alarms) {
      AddRow(table, {Cell(serial(a.fromRadio), Qt::AlignLeft), Cell(tr("漂移"), Qt::AlignLeft),
                     Cell(tr("工位 %1 从这台起偏移 %2 σ（在 %3 报警）")
                              .arg(QString::fromStdString(station.station), Number(a.shift, 2),
                                   serial(a.atRadio)),
                          Qt::AlignLeft)});
    }
  }
  table->resizeColumnsToContents();
}

QString LotStatisticsTables::SummaryText(const LotSummary& summary) {
  return tr("%1 台对讲机，一次通过率 %2 %，每点实调 %3 次，每台 %4 秒。")
      .arg(summary.radios)
      .arg(Number(100 * summary.firstPassYield, 1), Number(summary.liveTunesPerPoint, 2),
           Number(summary.secondsPerRadio, 1));
}

}  // namespace velmora
