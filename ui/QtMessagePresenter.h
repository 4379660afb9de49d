#pragma once

#include <QPointer>
#include <QWidget>

#include "transfer/AskedPresenter.h"

namespace velmora {

// Shows a job's outcome as a modal message box over the main window and releases the job's
// reply when the user closes it: the worker that asked waits until then.
class QtMessagePresenter : public AskedPresenter {
 public:
  static constexpr const char* kTitle = "Velmora";  // the caption of every message box

  explicit QtMessagePresenter(QWidget* window) : m_window(window) {}
  // On the window's thread; the detail goes below the text as the box's informative text.
  void Present(const QString& text, const QString& detail, const JobReply& reply) override;

  // From now on outcomes go to standard error instead of a box: the session is ending and
  // nobody is there to close one.
  void Silence() { m_silenced = true; }

  // The box itself, also used on the user-interface thread for file errors.
  static void ShowBox(QWidget* parent, const QString& text, const QString& detail = {});

 private:
  QPointer<QWidget> m_window;
  bool m_silenced = false;
};

}  // namespace velmora
