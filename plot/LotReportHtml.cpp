// The lot report's page: every chart inline SVG, the styles and the one script in the page, so
// that the file can be mailed or archived and opened anywhere without a server.
#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "plot/LotReport.h"
#include "plot/SvgChart.h"

namespace velmora {
namespace {

// Enough faint lines to show the lot's spread without a page of megabytes for a big lot.
constexpr std::size_t kFaintRadios = 400;
constexpr const char* kTableNames[] = {"high", "middle", "low"};

std::string Escaped(const std::string& text) { return SvgChart::Escape(text); }

std::string Anchor(const std::string& serial) { return "radio-" + serial; }

std::string Joined(const std::vector<std::string>& parts) {
  std::string all;
  for (const std::string& part : parts) all += part;
  return all;
}

// The page's own check that it rendered: how many charts have a drawn size, and any error.
constexpr const char* kCheckScript = R"(<script>
window.addEventListener('error', function (e) {
  document.body.setAttribute('data-errors', (e.message || 'error'));
});
window.addEventListener('load', function () {
  var drawn = 0;
  document.querySelectorAll('svg.chart').forEach(function (svg) {
    var box = svg.getBBox();
    if (box.width > 0 && box.height > 0 && svg.querySelectorAll('path').length > 1) drawn++;
  });
  document.body.setAttribute('data-charts-drawn', String(drawn));
});
</script>)";

constexpr const char* kStyle = R"(<style>
body { font-family: sans-serif; margin: 24px; color: #222; }
h1 { font-size: 20px; } h2 { font-size: 16px; margin-top: 28px; }
table { border-collapse: collapse; font-size: 12px; }
td, th { border: 1px solid #ccc; padding: 2px 6px; text-align: right; }
th { background: #f0f0f0; } td.low { background: #f8d0d0; } td.ok { background: #d8f0d8; }
.charts { display: flex; flex-wrap: wrap; gap: 12px; }
code { background: #f4f4f4; padding: 1px 4px; }
</style>)";

}  // namespace

std::vector<std::string> LotReport::LevelCharts() const {
  std::map<std::pair<int, int>, std::vector<int>> charts;  // (band, table) -> point indices
  for (std::size_t p = 0; p < m_lot.points.size(); ++p)
    charts[{m_lot.points[p].key.band, m_lot.points[p].key.table}].push_back(int(p));
  std::set<std::size_t> odd;
  for (const OutlierRadio& o : m_summary.outliers) odd.insert(o.radio);
  const std::size_t first =
      m_lot.radios.size() > kFaintRadios ? m_lot.radios.size() - kFaintRadios : 0;
  std::vector<std::string> svgs;
  for (const auto& [which, points] : charts) {
    const std::string name =
        std::string(which.first ? "B" : "A") + " " + kTableNames[which.second % 3];
    SvgChart chart("Band " + name + ": aligned levels", "MHz", "level");
    std::map<int, double> mhzOf;
    for (int p : points) mhzOf[p] = m_lot.points[std::size_t(p)].mhz;
    auto line = [&](const LotRadio& radio) {
      SvgChart::Points levels;
      for (const LotReading& r : radio.readings)
        if (r.aligned && mhzOf.count(r.point)) levels.push_back({mhzOf[r.point], double(r.level)});
      return levels;
    };
    for (std::size_t r = first; r < m_lot.radios.size(); ++r) {
      if (!odd.count(r)) chart.AddLine(line(m_lot.radios[r]), "#4a78b0", 1, 0.12);
    }
    SvgChart::Points median, upper, lower;
    for (int p : points) {
      const PointStatistics& s = m_summary.points[std::size_t(p)];
      const double reach =
          LotStatistics::kOutlierMads * std::max(s.levelMad, LotStatistics::kMinimumMad);
      median.push_back({s.point.mhz, s.levelMedian});
      upper.push_back({s.point.mhz, s.levelMedian + reach});
      lower.push_back({s.point.mhz, s.levelMedian - reach});
    }
    chart.AddBand(upper, lower, "#f0a020", 0.15);
    chart.AddLine(median, "#d06000", 2.5, 1, "the lot's median");
    for (std::size_t r : odd) {
      chart.AddLine(line(m_lot.radios[r]), "#c00000", 1.5, 0.9, Serial(r),
                    std::string("#").append(Anchor(Serial(r))));
    }
    svgs.push_back(chart.Svg());
  }
  return svgs;
}

std::vector<std::string> LotReport::DriftCharts() const {
  std::vector<std::string> svgs;
  for (const StationDrift& station : m_summary.drift) {
    SvgChart chart("Drift at " + station.station + ": CUSUM of the level offset", "radio",
                   "sigmas");
    SvgChart::Points upper, lower, offsets;
    for (std::size_t i = 0; i < station.steps.size(); ++i) {
      upper.push_back({double(i + 1), station.steps[i].upper});
      lower.push_back({double(i + 1), -station.steps[i].lower});
      offsets.push_back(
          {double(i + 1), station.sigma > 0 ? station.offsets[i] / station.sigma : 0});
    }
    chart.AddLine(offsets, "#888888", 1, 0.5, "each radio's offset, in sigmas");
    chart.AddLine(upper, "#1060c0", 1.5, 1, "upper CUSUM");
    chart.AddLine(lower, "#10a040", 1.5, 1, "lower CUSUM");
    chart.AddHorizontal(DriftCusum::kLimit, "#c00000", "h");
    chart.AddHorizontal(-DriftCusum::kLimit, "#c00000", "-h");
    for (const DriftAlarmAt& a : station.alarms) {
      const auto at = std::find(station.radios.begin(), station.radios.end(), a.fromRadio);
      chart.AddVertical(double(at - station.radios.begin() + 1), "#c00000",
                        "step from " + Serial(a.fromRadio));
    }
    svgs.push_back(chart.Svg());
  }
  return svgs;
}

std::string LotReport::CpkTable() const {
  std::string html =
      "<table id=\"cpk\"><tr><th>point</th><th>MHz</th><th>target W</th>"
      "<th>n</th><th>level median</th><th>MAD</th><th>mean W</th><th>&sigma; W</th>"
      "<th>Cpk</th><th>live tunes</th></tr>";
  for (const PointStatistics& s : m_summary.points) {
    const std::string cpk = s.cpk ? Fixed(*s.cpk, 2) : "&ndash;";
    const char* grade = s.cpk && *s.cpk >= 1.33 ? "ok" : "low";
    html += "<tr><td>" + PointName(s.point.key) + "</td><td>" + Fixed(s.point.mhz, 3) +
            "</td><td>" + Fixed(s.point.targetWatts, 2) + " &plusmn; " +
            Fixed(s.point.windowWatts, 3) + "</td><td>" + std::to_string(s.n) + "</td><td>" +
            Fixed(s.levelMedian, 1) + "</td><td>" + Fixed(s.levelMad, 1) + "</td><td>" +
            Fixed(s.wattsMean, 3) + "</td><td>" + Fixed(s.wattsSigma, 4) + "</td><td class=\"" +
            grade + "\">" + cpk + "</td><td>" + Fixed(s.liveTunes, 2) + "</td></tr>";
  }
  return html + "</table>";
}

std::string LotReport::FlaggedRadios() const {
  std::string html = "<table id=\"flagged\"><tr><th>serial</th><th>why</th><th>history</th></tr>";
  auto row = [&](const std::string& serial, const std::string& why) {
    html += "<tr id=\"" + Escaped(Anchor(serial)) + "\"><td>" + Escaped(serial) + "</td><td>" +
            why + "</td><td><code>velmora-cli history " + Escaped(serial) + "</code></td></tr>";
  };
  for (const OutlierRadio& o : m_summary.outliers) {
    const PointStatistics& s = m_summary.points[std::size_t(o.point)];
    row(Serial(o.radio), "level " + std::to_string(o.level) + " at " + PointName(s.point.key) +
                             ", " + Fixed(o.mads, 1) + " MADs from the median " +
                             Fixed(s.levelMedian, 1));
  }
  for (const StationDrift& station : m_summary.drift) {
    for (const DriftAlarmAt& a : station.alarms) {
      row(Serial(a.fromRadio), "first radio after a step at " + Escaped(station.station) +
                                   " (raised at " + Escaped(Serial(a.atRadio)) + ", shift " +
                                   Fixed(a.shift, 2) + ")");
    }
  }
  return html + "</table>";
}

std::string LotReport::Html() const {
  std::string html = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>" +
                     Escaped(m_title) + "</title>" + kStyle + "</head><body>";
  html += "<h1>" + Escaped(m_title) + "</h1><p>" + Escaped(Line()) + "; live tunes per point " +
          Fixed(m_summary.liveTunesPerPoint, 2) + ", seconds per radio " +
          Fixed(m_summary.secondsPerRadio, 1) + ".</p>";
  html += "<h2>Aligned levels</h2><p>Every radio a faint line (the latest " +
          std::to_string(kFaintRadios) + "), the lot's median in orange and its band of " +
          Fixed(LotStatistics::kOutlierMads, 0) +
          " MADs; outlier radios in red, linked to their row below.</p><div class=\"charts\">" +
          Joined(LevelCharts()) + "</div>";
  html += "<h2>Drift</h2><div class=\"charts\">" + Joined(DriftCharts()) + "</div>";
  html += "<h2>Flagged radios</h2>" + FlaggedRadios();
  html += "<h2>Cpk per point</h2>" + CpkTable();
  return html + kCheckScript + "</body></html>\n";
}

}  // namespace velmora
