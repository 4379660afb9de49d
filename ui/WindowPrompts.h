#pragma once

#include <QCoreApplication>
#include <QFileDialog>
#include <QString>
#include <functional>
#include <memory>

namespace velmora {

// The questions and notices of the main window that need the user: the file choosers (of
// calibration files, alignment plans and reports), the
// question before a file is replaced, whether to save unsaved changes, other yes/no questions,
// and notices such as file errors. Interactive() asks with the platform's dialogs; tests put in
// their own answers.
struct WindowPrompts {
  Q_DECLARE_TR_FUNCTIONS(WindowPrompts)

 public:
  enum class SaveChoice { Save, Discard, Cancel };

  // The chosen full path, or an empty string when the user cancelled; the chooser starts in
  // folder (empty: the current one).
  std::function<QString(QWidget* parent, const QString& folder)> chooseSavePath;
  std::function<QString(QWidget* parent, const QString& folder)> chooseOpenPath;
  // True when the existing file at path may be replaced.
  std::function<bool(QWidget* parent, const QString& path)> confirmReplace;
  std::function<void(QWidget* parent, const QString& text)> notify;
  // "保存修改吗?" before unsaved changes would be lost.
  std::function<SaveChoice(QWidget* parent)> askSaveChanges;
  // True for yes; no is the default answer.
  std::function<bool(QWidget* parent, const QString& question)> askYesNo;
  // After an alignment, its outcome and "保存校准报告吗?": true to save, the default answer.
  std::function<bool(QWidget* parent, const QString& outcome)> askSaveReport;
  // The alignment plan to run and the file its report goes to ("" = cancelled), from folder.
  std::function<QString(QWidget* parent, const QString& folder)> choosePlanPath;
  std::function<QString(QWidget* parent, const QString& folder)> chooseReportPath;
  // Where a lot's statistics go: .html, .csv or .json ("" = cancelled).
  std::function<QString(QWidget* parent, const QString& folder)> chooseLotReportPath;

  static constexpr const char* kSaveChangesText = QT_TR_NOOP("保存修改吗?");  // shown through tr()

  static WindowPrompts Interactive();
  // Both choosers offer the calibration files first, then all files.
  static QString FileFilter();
  // The chooser Open and Save show: that filter, the backups folder in its side bar.
  static std::unique_ptr<QFileDialog> FileChooser(QWidget* parent, QFileDialog::AcceptMode mode);
};

}  // namespace velmora
