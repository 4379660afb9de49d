#pragma once

#include <QDialog>

class QTextBrowser;

namespace velmora {

// The manual as a page of the program itself, for a desktop where nothing shows `man:` pages: the
// README the package ships, built into the program so it is there in any install.
class ManualWindow : public QDialog {
  Q_OBJECT

 public:
  explicit ManualWindow(QWidget* parent);

  // Whether the desktop's handler lists (mimeapps.list, mimeinfo.cache) name a program for man:.
  static bool DesktopHasViewer();
  QTextBrowser* browser() const { return m_browser; }

 private:
  QTextBrowser* m_browser;
};

}  // namespace velmora
