#pragma once

#include <string>
#include <utility>
#include <vector>

namespace velmora {

// An x-y chart written as SVG text, for reports that must stand alone in a browser: no widgets,
// no fonts loaded, every mark an element. Data coordinates map into the plot area; axes carry
// a few ticks, and the chart's title and axis names are escaped.
class SvgChart {
 public:
  using Points = std::vector<std::pair<double, double>>;

  SvgChart(std::string title, std::string xName, std::string yName);
  // The data ranges; without them, the marks' own extent.
  void SetRange(double xLow, double xHigh, double yLow, double yHigh);

  // A tooltip, and a link the line leads to when clicked (an anchor in the same page).
  void AddLine(const Points& points, const std::string& colour, double width, double opacity,
               const std::string& tooltip = {}, const std::string& link = {});
  // The area between two lines over the same x values.
  void AddBand(const Points& upper, const Points& lower, const std::string& colour, double opacity);
  void AddHorizontal(double y, const std::string& colour, const std::string& label);
  void AddVertical(double x, const std::string& colour, const std::string& label);

  std::string Svg() const;

  static std::string Escape(const std::string& text);

 private:
  struct Range {
    double low = 0, high = 1;
  };
  double X(double x) const;
  double Y(double y) const;
  std::string Path(const Points& points) const;
  std::string Axes() const;
  void Extend(const Points& points);

  std::string m_title, m_xName, m_yName;
  Range m_x, m_y;
  bool m_ranged = false, m_any = false;
  // Drawn once the range is known.
  struct Mark {
    enum Kind { Line, Band, Horizontal, Vertical } kind;
    Points a, b;
    double value = 0;
    std::string colour, label, link;
    double width = 1, opacity = 1;
  };
  std::vector<Mark> m_pending;
};

}  // namespace velmora
