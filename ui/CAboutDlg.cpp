#include "ui/CAboutDlg.h"

#include <QLabel>
#include <QPushButton>

#include "res/DialogTemplates.h"
#include "ui/VelmoraIcon.h"
#include "ui/kit/TemplateBuilder.h"

namespace velmora {
namespace {

constexpr int kIconSize = 32;

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  m_controls = TemplateBuilder::Build(res::AboutBoxTemplate(), this);
  setFixedSize(size());
  for (const DialogControls::Entry& entry : m_controls.All()) {
    if (entry.control->kind != res::ControlKind::Icon) continue;
    if (auto* icon = qobject_cast<QLabel*>(entry.widget)) {
      // An icon control takes its icon's size whatever the template gives it.
      icon->setPixmap(VelmoraIcon::Draw(kIconSize));
      icon->resize(kIconSize, kIconSize);
    }
  }
  if (auto* ok = m_controls.Get<QPushButton>(res::IDOK)) {
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  }
}

CAboutDlg::~CAboutDlg() = default;

}  // namespace velmora
