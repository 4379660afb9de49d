#pragma once

#include <QByteArray>
#include <QString>

namespace velmora {

// What a JSON parser lets pass but a plan, a safety document, must not hold: a key given twice
// in one object (the parser keeps the last, silently) and a number too large or too small to be
// a finite value. Run on text that is already valid JSON; the fault names the value's path
// ("targets.A.high.max: ...", "points[2]: ..."), empty when there is none.
class JsonKeyCheck {
 public:
  static QString FirstFault(const QByteArray& json);
};

}  // namespace velmora
