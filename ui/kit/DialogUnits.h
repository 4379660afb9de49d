#pragma once

#include <QFont>
#include <QRect>
#include <string_view>

#include "res/DialogTemplate.h"

namespace velmora {

// Converts dialog units to pixels through a font's average character size, the way dialog
// templates are laid out: x px = du * baseX / 4, y px = du * baseY / 8.
class DialogUnits {
 public:
  DialogUnits(int baseX, int baseY) : m_baseX(baseX), m_baseY(baseY) {}

  // baseX = average width of A-Z a-z, rounded; baseY = the font's em height in pixels.
  static DialogUnits ForFont(const QFont& font);
  // The template's font face at its point size (96 pixels per inch). A face that is not
  // installed falls back to an installed CJK font, so that the layouts keep their proportions.
  static QFont TemplateFont(std::string_view face, int points);

  int baseX() const { return m_baseX; }
  int baseY() const { return m_baseY; }
  int ToPixelsX(int du) const;
  int ToPixelsY(int du) const;
  // Both corners are converted, as the platform maps dialog rectangles.
  QRect ToPixels(const res::DuRect& rect) const;

 private:
  int m_baseX;
  int m_baseY;
};

}  // namespace velmora
