#include "ui/WindowPrompts.h"

#include <QFileDialog>
#include <QMessageBox>

#include "ui/QtMessagePresenter.h"

namespace velmora {

QString WindowPrompts::FileFilter() { return tr("dat Files (*.dat);;All Files (*.*)"); }

WindowPrompts WindowPrompts::Interactive() {
  WindowPrompts prompts;
  // No default suffix and no initial name; the save chooser asks before replacing a file.
  prompts.chooseSavePath = [](QWidget* parent, const QString& folder) {
    return QFileDialog::getSaveFileName(parent, {}, folder, FileFilter());
  };
  prompts.chooseOpenPath = [](QWidget* parent, const QString& folder) {
    return QFileDialog::getOpenFileName(parent, {}, folder, FileFilter());
  };
  prompts.confirmReplace = [](QWidget* parent, const QString& path) {
    const QString text = tr("%1 已存在。\n要替换它吗?").arg(path);
    return QMessageBox::question(parent, QtMessagePresenter::kTitle, text,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
  };
  prompts.notify = [](QWidget* parent, const QString& text) {
    QtMessagePresenter::ShowBox(parent, text);
  };
  prompts.askSaveChanges = [](QWidget* parent) {
    const auto answer = QMessageBox::question(
        parent, QtMessagePresenter::kTitle, tr(kSaveChangesText),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Save) return SaveChoice::Save;
    return answer == QMessageBox::Discard ? SaveChoice::Discard : SaveChoice::Cancel;
  };
  prompts.askYesNo = [](QWidget* parent, const QString& question) {
    return QMessageBox::question(parent, QtMessagePresenter::kTitle, question,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
  };
  return prompts;
}

}  // namespace velmora
