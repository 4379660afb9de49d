#include "ui/QtMessagePresenter.h"

#include <QMessageBox>
#include <cstdio>
#include <memory>

namespace velmora {
namespace {

QMessageBox* MakeBox(QWidget* parent, const QString& text, const QString& detail) {
  auto* box = new QMessageBox(QMessageBox::Warning, QtMessagePresenter::kTitle, text,
                              QMessageBox::Ok, parent);
  if (!detail.isEmpty()) box->setInformativeText(detail);
  return box;
}

}  // namespace

// The box is modal but does not block: the relay's other news goes on being delivered in order.
void QtMessagePresenter::Present(const QString& text, const QString& detail,
                                 const JobReply& reply) {
  if (m_silenced || !m_window) {
    std::fprintf(stderr, "%s: %s %s\n", kTitle, qPrintable(text), qPrintable(detail));
    return;
  }
  QMessageBox* box = MakeBox(m_window, text, detail);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::ApplicationModal);
  QObject::connect(box, &QDialog::finished, box, [reply] { reply.Release(); });
  box->show();
}

void QtMessagePresenter::ShowBox(QWidget* parent, const QString& text, const QString& detail) {
  std::unique_ptr<QMessageBox> box(MakeBox(parent, text, detail));
  box->exec();
}

}  // namespace velmora
