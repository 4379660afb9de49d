#pragma once

#include <QJsonObject>
#include <optional>
#include <string>
#include <vector>

#include "records/LotData.h"
#include "records/LotStatistics.h"
#include "records/RecordStore.h"

namespace velmora {

// A lot's statistics as the files `velmora-cli stats` and the window write: JSON with everything,
// CSV with one row per point, and one self-contained HTML page with its charts inline.
class LotReport {
 public:
  enum class Format { Html, Csv, Json };
  // By the file name's ending: .html or .htm, .csv, .json; none for any other.
  static std::optional<Format> FormatOf(const std::string& path);
  // "Lot statistics: lot L, since D, station S" for what the filter takes.
  static std::string Title(const RecordFilter& filter);

  LotReport(const LotData& lot, const LotSummary& summary, std::string title)
      : m_lot(lot), m_summary(summary), m_title(std::move(title)) {}

  QJsonObject Json() const;
  std::string Csv() const;
  std::string Html() const;
  std::string Text(Format format) const;
  // One line for the terminal: radios, yield, outliers and steps.
  std::string Line() const;

  // The page's charts, each one SVG document: a band and table's levels, a station's CUSUM.
  std::vector<std::string> LevelCharts() const;
  std::vector<std::string> DriftCharts() const;

  static std::string PointName(const LotPointKey& key);  // "A high 3"
  static std::string Fixed(double value, int decimals);

 private:
  std::string CpkTable() const;
  std::string FlaggedRadios() const;
  const std::string& Serial(std::size_t radio) const { return m_lot.radios[radio].serial; }

  const LotData& m_lot;
  const LotSummary& m_summary;
  std::string m_title;
};

}  // namespace velmora
