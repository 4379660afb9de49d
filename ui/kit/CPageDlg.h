#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>

#include "res/DialogTemplate.h"
#include "ui/kit/DataExchange.h"
#include "ui/kit/DialogControls.h"
#include "ui/kit/TemplateBuilder.h"

class QSlider;

namespace velmora {

// The base of every page: a borderless child built from a dialog template, with the data
// exchange of its controls. A page is constructed without a parent, given its context, then
// created as a child of its hosting tab control.
class CPageDlg : public QWidget {
  Q_OBJECT

 public:
  explicit CPageDlg(const res::DialogTemplate& dialogTemplate,
                    TemplateBuilder::TabControlMaker makeTabControl = {});

  // Builds the controls as children of parent, runs OnInitDialog and shows the page.
  bool Create(QWidget* parent);

  // Runs DoDataExchange in one direction; false when a value was refused (prompted once).
  bool UpdateData(bool saveAndValidate = true);
  // What a slider's paint does: its member takes its position and its own box shows it. Only
  // the value that moved is exchanged; every other box and member stays as it was.
  void FollowSlider(const QSlider* slider, int editId, std::int32_t& member);

  QWidget* Control(int id) const { return m_controls.Widget(id); }
  template <class T>
  T* ControlAs(int id) const {
    return m_controls.Get<T>(id);
  }
  const DialogControls& Controls() const { return m_controls; }
  const res::DialogTemplate& Template() const { return m_template; }

 protected:
  // Base initialisation: the first exchange towards the controls. Returns true.
  virtual bool OnInitDialog();
  virtual void DoDataExchange(DataExchange& dx);
  // Pages ignore OK, so Enter never closes or hides them.
  virtual void OnOK() {}
  void keyPressEvent(QKeyEvent* event) override;
  // Calls onPaint each time the slider is about to paint.
  void WatchSliderPaint(QSlider* slider, std::function<void()> onPaint);
  // The slider moves by the wheel only while it has the focus; onRelease (if any) runs on every
  // left-button release after a press on it.
  void WatchSliderInput(QSlider* slider, std::function<void()> onRelease = {});

 private:
  const res::DialogTemplate& m_template;
  TemplateBuilder::TabControlMaker m_makeTabControl;
  DialogControls m_controls;
};

}  // namespace velmora
