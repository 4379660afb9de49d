#pragma once

#include <QJsonObject>
#include <string>

#include "records/LotData.h"
#include "records/LotStatistics.h"

namespace velmora {

// A lot's statistics as the files `velmora-cli stats` writes: JSON with everything, CSV with one
// row per point, and one self-contained HTML page with its charts inline.
class LotReport {
 public:
  LotReport(const LotData& lot, const LotSummary& summary, std::string title)
      : m_lot(lot), m_summary(summary), m_title(std::move(title)) {}

  QJsonObject Json() const;
  std::string Csv() const;
  std::string Html() const;
  // One line for the terminal: radios, yield, outliers and steps.
  std::string Line() const;

  static std::string PointName(const LotPointKey& key);  // "A high 3"
  static std::string Fixed(double value, int decimals);

 private:
  std::string LevelCharts() const;
  std::string DriftCharts() const;
  std::string CpkTable() const;
  std::string FlaggedRadios() const;
  const std::string& Serial(std::size_t radio) const { return m_lot.radios[radio].serial; }

  const LotData& m_lot;
  const LotSummary& m_summary;
  std::string m_title;
};

}  // namespace velmora
