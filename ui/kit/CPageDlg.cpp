#include "ui/kit/CPageDlg.h"

#include <QKeyEvent>
#include <QSlider>

#include "ui/kit/SliderInputFilter.h"
#include "ui/kit/SliderPaintFilter.h"

namespace velmora {

CPageDlg::CPageDlg(const res::DialogTemplate& dialogTemplate,
                   TemplateBuilder::TabControlMaker makeTabControl)
    : m_template(dialogTemplate), m_makeTabControl(std::move(makeTabControl)) {}

bool CPageDlg::Create(QWidget* parent) {
  setParent(parent);
  m_controls = TemplateBuilder::Build(m_template, this, m_makeTabControl);
  const bool result = OnInitDialog();
  show();
  return result;
}

bool CPageDlg::OnInitDialog() {
  UpdateData(false);
  return true;
}

void CPageDlg::DoDataExchange(DataExchange&) {}

bool CPageDlg::UpdateData(bool saveAndValidate) {
  DataExchange dx(this, m_controls, saveAndValidate);
  DoDataExchange(dx);
  return !dx.failed();
}

void CPageDlg::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    OnOK();
    event->accept();  // never reaches an enclosing dialog's default button
    return;
  }
  QWidget::keyPressEvent(event);
}

void CPageDlg::WatchSliderPaint(QSlider* slider, std::function<void()> onPaint) {
  new SliderPaintFilter(slider, std::move(onPaint));
}

void CPageDlg::WatchSliderInput(QSlider* slider, std::function<void()> onRelease) {
  new SliderInputFilter(slider, std::move(onRelease));
}

void CPageDlg::FollowSlider(const QSlider* slider, int editId, std::int32_t& member) {
  member = slider->value();
  DataExchange dx(this, m_controls, false);
  dx.Text(editId, member);
}

}  // namespace velmora
