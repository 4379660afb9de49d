#include "ui/WindowPrompts.h"

#include <QFileDialog>
#include <QMessageBox>

#include "ui/BackupsFolder.h"
#include "ui/QtMessagePresenter.h"

namespace velmora {
namespace {

constexpr const char* kJsonFilter =
    QT_TRANSLATE_NOOP("velmora::WindowPrompts", "JSON 文件 (*.json);;所有文件 (*)");
constexpr const char* kLotReportFilter = QT_TRANSLATE_NOOP(
    "velmora::WindowPrompts", "HTML 报告 (*.html);;CSV 表格 (*.csv);;JSON 文件 (*.json)");

}  // namespace

QString WindowPrompts::FileFilter() { return tr("dat Files (*.dat);;All Files (*.*)"); }

std::unique_ptr<QFileDialog> WindowPrompts::FileChooser(QWidget* parent,
                                                        QFileDialog::AcceptMode mode) {
  auto dialog = std::make_unique<QFileDialog>(parent, QString(), QString(), FileFilter());
  dialog->setAcceptMode(mode);
  dialog->setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                      : QFileDialog::ExistingFile);
  dialog->setSidebarUrls(BackupsFolder::WithSidebarEntry(dialog->sidebarUrls()));
  return dialog;
}

WindowPrompts WindowPrompts::Interactive() {
  WindowPrompts prompts;
  // No default suffix and no initial name; the save chooser asks before replacing a file.
  auto choose = [](QWidget* parent, QFileDialog::AcceptMode mode, const QString& folder) {
    const auto dialog = FileChooser(parent, mode);
    dialog->setDirectory(folder);
    return dialog->exec() == QDialog::Accepted ? dialog->selectedFiles().value(0) : QString();
  };
  prompts.chooseSavePath = [choose](QWidget* parent, const QString& folder) {
    return choose(parent, QFileDialog::AcceptSave, folder);
  };
  prompts.chooseOpenPath = [choose](QWidget* parent, const QString& folder) {
    return choose(parent, QFileDialog::AcceptOpen, folder);
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
  prompts.askSaveReport = [](QWidget* parent, const QString& outcome) {
    // The report is the run's only record: Enter keeps it.
    return QMessageBox::question(
               parent, QtMessagePresenter::kTitle, outcome + "\n\n" + tr("保存校准报告吗?"),
               QMessageBox::Save | QMessageBox::Discard, QMessageBox::Save) == QMessageBox::Save;
  };
  prompts.choosePlanPath = [](QWidget* parent, const QString& folder) {
    return QFileDialog::getOpenFileName(parent, tr("选择校准方案"), folder, tr(kJsonFilter));
  };
  prompts.chooseReportPath = [](QWidget* parent, const QString& folder) {
    QFileDialog dialog(parent, tr("保存校准报告"), folder, tr(kJsonFilter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("json"));
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
  };
  prompts.chooseLotReportPath = [](QWidget* parent, const QString& folder) {
    QFileDialog dialog(parent, tr("保存批次统计"), folder, tr(kLotReportFilter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("html"));
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
  };
  return prompts;
}

}  // namespace velmora
