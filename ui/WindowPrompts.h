#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace velmora {

// The questions and notices of the main window that need the user: the file choosers, the
// question before a file is replaced, and notices such as file errors. Interactive() asks with
// the platform's dialogs; tests put in their own answers.
struct WindowPrompts {
  // The chosen full path, or an empty string when the user cancelled.
  std::function<QString(QWidget* parent)> chooseSavePath;
  std::function<QString(QWidget* parent)> chooseOpenPath;
  // True when the existing file at path may be replaced.
  std::function<bool(QWidget* parent, const QString& path)> confirmReplace;
  std::function<void(QWidget* parent, const QString& text)> notify;

  static WindowPrompts Interactive();
  // Both choosers offer the calibration files first, then all files.
  static QString FileFilter();
};

}  // namespace velmora
