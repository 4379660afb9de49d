#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <atomic>

#include "transfer/MessagePresenter.h"

namespace velmora {

// Shows a job's outcome as a modal message box on the user-interface thread, owned by the main
// window, while the worker that asked waits until the user has closed it.
class QtMessagePresenter : public QObject, public MessagePresenter {
  Q_OBJECT

 public:
  static constexpr const char* kTitle = "Velmora";  // the caption of every message box

  explicit QtMessagePresenter(QWidget* window);
  void ShowMessage(const std::string& text) override;
  // The detail goes below the text as the box's informative text.
  void ShowOutcome(const std::string& text, const std::string& detail) override;

  // From now on outcomes go to standard error instead of a box: the session is ending and
  // nobody is there to close one.
  void Silence() { m_silenced = true; }

  // The box itself, also used on the user-interface thread for file errors.
  static void ShowBox(QWidget* parent, const QString& text, const QString& detail = {});

 private:
  QPointer<QWidget> m_window;
  std::atomic<bool> m_silenced{false};
};

}  // namespace velmora
