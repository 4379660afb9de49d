#include "ui/QtMessagePresenter.h"

#include <QMessageBox>
#include <QThread>
#include <cstdio>

namespace velmora {

QtMessagePresenter::QtMessagePresenter(QWidget* window) : m_window(window) {}

void QtMessagePresenter::ShowMessage(const std::string& text) { ShowOutcome(text, {}); }

void QtMessagePresenter::ShowOutcome(const std::string& text, const std::string& detail) {
  if (m_silenced) {
    std::fprintf(stderr, "%s: %s %s\n", kTitle, text.c_str(), detail.c_str());
    return;
  }
  const QString message = QString::fromStdString(text);
  const QString more = QString::fromStdString(detail);
  auto show = [this, message, more] { ShowBox(m_window, message, more); };
  if (QThread::currentThread() == thread()) {
    show();
  } else {
    QMetaObject::invokeMethod(this, show, Qt::BlockingQueuedConnection);
  }
}

void QtMessagePresenter::ShowBox(QWidget* parent, const QString& text, const QString& detail) {
  QMessageBox box(QMessageBox::Warning, kTitle, text, QMessageBox::Ok, parent);
  if (!detail.isEmpty()) box.setInformativeText(detail);
  box.exec();
}

}  // namespace velmora
