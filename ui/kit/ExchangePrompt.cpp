#include "ui/kit/ExchangePrompt.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace velmora {

void ExchangePrompt::Show(QWidget* parent, const QString& text) {
  // The application's title (the executable's name) is the caption of every message box.
  QMessageBox box(QMessageBox::Warning, QCoreApplication::applicationName(), text, QMessageBox::Ok,
                  parent);
  box.exec();
}

QString ExchangePrompt::IntegerText() { return tr("请输入一个整数。"); }

QString ExchangePrompt::UnsignedText() { return tr("请输入一个非负整数。"); }

QString ExchangePrompt::RangeText(unsigned min, unsigned max) {
  return tr("请输入一个介于 %1 和 %2 之间的整数。").arg(min).arg(max);
}

QString ExchangePrompt::MaxCharsText(int count) {
  return tr("请输入不超过 %1 个字符。").arg(count);
}

}  // namespace velmora
