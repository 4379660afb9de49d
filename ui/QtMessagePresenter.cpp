#include "ui/QtMessagePresenter.h"

#include <QMessageBox>
#include <QThread>

namespace velmora {

QtMessagePresenter::QtMessagePresenter(QWidget* window) : m_window(window) {}

void QtMessagePresenter::ShowMessage(const std::string& text) {
  const QString message = QString::fromStdString(text);
  auto show = [this, message] { ShowBox(m_window, message); };
  if (QThread::currentThread() == thread()) {
    show();
  } else {
    QMetaObject::invokeMethod(this, show, Qt::BlockingQueuedConnection);
  }
}

void QtMessagePresenter::ShowBox(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Warning, kTitle, text, QMessageBox::Ok, parent);
  box.exec();
}

}  // namespace velmora
