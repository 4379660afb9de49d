#pragma once

#include <QCoreApplication>
#include <QString>
#include <functional>

class QWidget;

namespace velmora {

// Shows the short prompt of a refused data exchange. The default is a modal warning box; tests
// replace the presenter to observe the prompt instead of blocking on it.
class ExchangePrompt {
  Q_DECLARE_TR_FUNCTIONS(ExchangePrompt)

 public:
  using Presenter = std::function<void(QWidget* parent, const QString& text)>;

  static void Show(QWidget* parent, const QString& text);
  // Installs a presenter (an empty one restores the message box) and returns the previous one.
  static Presenter SetPresenter(Presenter presenter);

  static QString IntegerText();
  static QString UnsignedText();
  static QString RangeText(unsigned min, unsigned max);
  static QString MaxCharsText(int count);

 private:
  static void ShowMessageBox(QWidget* parent, const QString& text);
  static Presenter& Current();
};

}  // namespace velmora
