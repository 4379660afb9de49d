#include "instrument/InstrumentText.h"

#include <algorithm>

namespace velmora {
namespace {

bool Printable(char c) { return c >= ' ' && c <= '~'; }

QString Escape(char c) {
  switch (c) {
    case '\r':
      return QStringLiteral("\\r");
    case '\n':
      return QStringLiteral("\\n");
    case '\t':
      return QStringLiteral("\\t");
    case '\x1b':
      return QStringLiteral("\\e");
    case '\\':
      return QStringLiteral("\\\\");
    default:
      return QStringLiteral("\\x%1").arg(static_cast<unsigned char>(c), 2, 16, QLatin1Char('0'));
  }
}

}  // namespace

QString InstrumentText::Shown(const QByteArray& bytes) {
  QString shown;
  for (const char c : bytes.left(kMostShownBytes)) {
    shown += Printable(c) && c != '\\' ? QString(QLatin1Char(c)) : Escape(c);
  }
  if (bytes.size() > kMostShownBytes) {
    shown += QStringLiteral("... (%1 bytes)").arg(bytes.size());
  }
  return shown;
}

QString InstrumentText::Shown(const QString& text) {
  QString shown;
  for (const QChar c : text.left(kMostShownBytes)) {
    if (c.unicode() < 0x80) {
      shown += Printable(char(c.unicode())) && c != '\\' ? QString(c) : Escape(char(c.unicode()));
    } else {
      shown += c.isPrint() || c.isSurrogate()
                   ? QString(c)
                   : QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
  }
  if (text.size() > kMostShownBytes) shown += QStringLiteral("...");
  return shown;
}

bool InstrumentText::IsPrintable(const QByteArray& bytes) {
  return std::all_of(bytes.begin(), bytes.end(), Printable);
}

}  // namespace velmora
