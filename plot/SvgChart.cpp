#include "plot/SvgChart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace velmora {
namespace {

constexpr double kWidth = 640, kHeight = 300;
constexpr double kLeft = 56, kRight = 16, kTop = 28, kBottom = 40;
constexpr int kTicks = 5;

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

std::string Tick(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", std::abs(value) < 1e-12 ? 0.0 : value);
  return text;
}

}  // namespace

SvgChart::SvgChart(std::string title, std::string xName, std::string yName)
    : m_title(std::move(title)), m_xName(std::move(xName)), m_yName(std::move(yName)) {}

void SvgChart::SetRange(double xLow, double xHigh, double yLow, double yHigh) {
  m_x = {xLow, xHigh > xLow ? xHigh : xLow + 1};
  m_y = {yLow, yHigh > yLow ? yHigh : yLow + 1};
  m_ranged = true;
}

void SvgChart::Extend(const Points& points) {
  if (m_ranged) return;
  for (const auto& [x, y] : points) {
    if (!m_any) m_x = {x, x}, m_y = {y, y};
    m_any = true;
    m_x = {std::min(m_x.low, x), std::max(m_x.high, x)};
    m_y = {std::min(m_y.low, y), std::max(m_y.high, y)};
  }
}

void SvgChart::AddLine(const Points& points, const std::string& colour, double width,
                       double opacity, const std::string& tooltip, const std::string& link) {
  Extend(points);
  m_pending.push_back({Mark::Line, points, {}, 0, colour, tooltip, link, width, opacity});
}

void SvgChart::AddBand(const Points& upper, const Points& lower, const std::string& colour,
                       double opacity) {
  Extend(upper);
  Extend(lower);
  m_pending.push_back({Mark::Band, upper, lower, 0, colour, {}, {}, 0, opacity});
}

void SvgChart::AddHorizontal(double y, const std::string& colour, const std::string& label) {
  Extend({{m_x.low, y}});
  m_pending.push_back({Mark::Horizontal, {}, {}, y, colour, label, {}, 1, 1});
}

void SvgChart::AddVertical(double x, const std::string& colour, const std::string& label) {
  Extend({{x, m_y.low}});
  m_pending.push_back({Mark::Vertical, {}, {}, x, colour, label, {}, 1, 1});
}

double SvgChart::X(double x) const {
  const double span = m_x.high > m_x.low ? m_x.high - m_x.low : 1;
  return kLeft + (x - m_x.low) / span * (kWidth - kLeft - kRight);
}

double SvgChart::Y(double y) const {
  const double span = m_y.high > m_y.low ? m_y.high - m_y.low : 1;
  return kHeight - kBottom - (y - m_y.low) / span * (kHeight - kTop - kBottom);
}

std::string SvgChart::Path(const Points& points) const {
  std::string d;
  for (const auto& [x, y] : points)
    d += (d.empty() ? "M" : " L") + Number(X(x)) + " " + Number(Y(y));
  return d;
}

std::string SvgChart::Axes() const {
  const double bottom = kHeight - kBottom, right = kWidth - kRight;
  std::string s = "<g class=\"axes\" stroke=\"#555\" fill=\"none\"><path d=\"M" + Number(kLeft) +
                  " " + Number(kTop) + " L" + Number(kLeft) + " " + Number(bottom) + " L" +
                  Number(right) + " " + Number(bottom) +
                  "\"/></g><g font-size=\"11\" fill=\"#333\">";
  for (int i = 0; i <= kTicks; ++i) {
    const double x = m_x.low + (m_x.high - m_x.low) * i / kTicks;
    const double y = m_y.low + (m_y.high - m_y.low) * i / kTicks;
    s += "<text x=\"" + Number(X(x)) + "\" y=\"" + Number(bottom + 14) +
         "\" text-anchor=\"middle\">" + Tick(std::round(x * 100) / 100) + "</text>";
    s += "<text x=\"" + Number(kLeft - 4) + "\" y=\"" + Number(Y(y) + 4) +
         "\" text-anchor=\"end\">" + Tick(std::round(y * 100) / 100) + "</text>";
  }
  s += "<text x=\"" + Number((kLeft + right) / 2) + "\" y=\"" + Number(kHeight - 6) +
       "\" text-anchor=\"middle\">" + Escape(m_xName) + "</text>";
  s += "<text transform=\"translate(12 " + Number((kTop + bottom) / 2) +
       ") rotate(-90)\" text-anchor=\"middle\">" + Escape(m_yName) + "</text>";
  s += "<text x=\"" + Number(kLeft) + "\" y=\"18\" font-size=\"13\" font-weight=\"bold\">" +
       Escape(m_title) + "</text></g>";
  return s;
}

std::string SvgChart::Svg() const {
  std::string s = "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"chart\" viewBox=\"0 0 " +
                  Number(kWidth) + " " + Number(kHeight) + "\" width=\"" + Number(kWidth) +
                  "\" height=\"" + Number(kHeight) + "\" role=\"img\"><title>" + Escape(m_title) +
                  "</title>";
  s += Axes();
  for (const Mark& m : m_pending) {
    switch (m.kind) {
      case Mark::Line: {
        const std::string path =
            "<path d=\"" + Path(m.a) + "\" fill=\"none\" stroke=\"" + m.colour +
            "\" stroke-width=\"" + Number(m.width) + "\" stroke-opacity=\"" + Tick(m.opacity) +
            "\">" + (m.label.empty() ? "" : "<title>" + Escape(m.label) + "</title>") + "</path>";
        s += m.link.empty() ? path : "<a href=\"" + Escape(m.link) + "\">" + path + "</a>";
        break;
      }
      case Mark::Band: {
        Points outline = m.a;
        outline.insert(outline.end(), m.b.rbegin(), m.b.rend());
        s += "<path d=\"" + Path(outline) + " Z\" fill=\"" + m.colour + "\" fill-opacity=\"" +
             Tick(m.opacity) + "\" stroke=\"none\"/>";
        break;
      }
      case Mark::Horizontal:
      case Mark::Vertical: {
        const bool across = m.kind == Mark::Horizontal;
        const Points ends = across ? Points{{m_x.low, m.value}, {m_x.high, m.value}}
                                   : Points{{m.value, m_y.low}, {m.value, m_y.high}};
        s += "<path d=\"" + Path(ends) + "\" stroke=\"" + m.colour +
             "\" stroke-dasharray=\"6 4\" fill=\"none\"/>";
        s += "<text x=\"" + Number(X(ends[across ? 1 : 0].first) + (across ? -4 : 4)) + "\" y=\"" +
             Number(Y(ends[1].second) + (across ? -4 : 12)) + "\" font-size=\"11\" fill=\"" +
             m.colour + "\" text-anchor=\"" + (across ? "end" : "start") + "\">" + Escape(m.label) +
             "</text>";
        break;
      }
    }
  }
  return s + "</svg>";
}

std::string SvgChart::Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace velmora
