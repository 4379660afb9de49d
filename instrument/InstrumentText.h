#pragma once

#include <QByteArray>
#include <QString>

namespace velmora {

// What an instrument (or a URL naming one) says, made safe for a terminal line or an error text:
// printable ASCII stays, every other byte becomes an escape (\r, \n, \t, \e, \xNN), so no control
// sequence from a meter can retitle, clear or move the user's terminal.
class InstrumentText {
 public:
  // Longer texts are cut here and marked, so one bad answer cannot flood an error message.
  static constexpr qsizetype kMostShownBytes = 200;

  static QString Shown(const QByteArray& bytes);
  // Text already decoded (a URL, a system message) keeps its printable characters, in any script.
  static QString Shown(const QString& text);
  // Whether every byte is printable ASCII.
  static bool IsPrintable(const QByteArray& bytes);
};

}  // namespace velmora
