#pragma once

#include <QDialog>

#include "ui/kit/DialogControls.h"

namespace velmora {

// The about box: the icon, the name and version and a notice line, closed with OK, Enter, Esc
// or its close box.
class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
  ~CAboutDlg() override;

  int DoModal() { return exec(); }
  const DialogControls& Controls() const { return m_controls; }

 private:
  DialogControls m_controls;
};

}  // namespace velmora
