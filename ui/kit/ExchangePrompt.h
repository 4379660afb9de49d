#pragma once

#include <QCoreApplication>
#include <QString>

class QWidget;

namespace velmora {

// Shows the short prompt of a refused data exchange as a modal warning box.
class ExchangePrompt {
  Q_DECLARE_TR_FUNCTIONS(ExchangePrompt)

 public:
  static void Show(QWidget* parent, const QString& text);

  static QString IntegerText();
  static QString UnsignedText();
  static QString RangeText(unsigned min, unsigned max);
  static QString MaxCharsText(int count);
};

}  // namespace velmora
