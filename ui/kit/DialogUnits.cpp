#include "ui/kit/DialogUnits.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QHash>
#include <QStringList>
#include <cmath>

namespace velmora {
namespace {

constexpr int kScreenDpi = 96;
constexpr int kPointsPerInch = 72;
constexpr int kLettersInAverage = 52;

// a * b / c rounded half away from zero, in 64 bits.
int MulDiv(int a, int b, int c) {
  return static_cast<int>(std::lround(static_cast<double>(a) * b / c));
}

// Faces tried in order; the first that is installed wins.
QStringList FaceCandidates(const QString& face) {
  QStringList faces{face};
  if (face == QStringLiteral("宋体") ||
      face.compare(QStringLiteral("SimSun"), Qt::CaseInsensitive) == 0) {
    faces << QStringLiteral("SimSun") << QStringLiteral("NSimSun");
  }
  faces << QStringLiteral("Noto Sans CJK SC") << QStringLiteral("Noto Serif CJK SC")
        << QStringLiteral("WenQuanYi Micro Hei") << QStringLiteral("WenQuanYi Zen Hei")
        << QStringLiteral("Droid Sans Fallback");
  return faces;
}

// The first installed face of the candidates, looked up once per face; "" when none is.
QString InstalledFace(const QString& wanted) {
  static QHash<QString, QString> chosen;  // the windows' thread only
  if (const auto found = chosen.constFind(wanted); found != chosen.constEnd()) return *found;
  const QStringList installed = QFontDatabase::families();
  QString face;
  for (const QString& candidate : FaceCandidates(wanted)) {
    if (installed.contains(candidate, Qt::CaseInsensitive)) {
      face = candidate;
      break;
    }
  }
  return *chosen.insert(wanted, face);
}

}  // namespace

// Every page of the window is laid out in the same font: it is measured once.
DialogUnits DialogUnits::ForFont(const QFont& font) {
  static QHash<QString, DialogUnits> measured;  // by the font's key; the windows' thread only
  const QString key = font.key();
  if (const auto found = measured.constFind(key); found != measured.constEnd()) return *found;
  const QFontMetrics metrics(font);
  const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  const int width = metrics.horizontalAdvance(letters);
  const int baseX = static_cast<int>(std::lround(static_cast<double>(width) / kLettersInAverage));
  // The templates' font has no leading: its cell height is its em size. The CJK faces that stand
  // in for it add about half an em of line spacing, which would stretch every layout by as much,
  // so the vertical unit is taken from the em size the template asks for.
  const int baseY = font.pixelSize() > 0 ? font.pixelSize() : metrics.height();
  return *measured.insert(key, DialogUnits(baseX, baseY));
}

QFont DialogUnits::TemplateFont(std::string_view face, int points) {
  const QString installed =
      InstalledFace(QString::fromUtf8(face.data(), static_cast<qsizetype>(face.size())));
  QFont font;
  if (!installed.isEmpty()) font.setFamilies({installed});
  font.setPixelSize(MulDiv(points, kScreenDpi, kPointsPerInch));
  return font;
}

int DialogUnits::ToPixelsX(int du) const { return MulDiv(du, m_baseX, 4); }

int DialogUnits::ToPixelsY(int du) const { return MulDiv(du, m_baseY, 8); }

QRect DialogUnits::ToPixels(const res::DuRect& rect) const {
  const int left = ToPixelsX(rect.x);
  const int top = ToPixelsY(rect.y);
  const int right = ToPixelsX(rect.x + rect.width);
  const int bottom = ToPixelsY(rect.y + rect.height);
  return QRect(left, top, right - left, bottom - top);
}

}  // namespace velmora
