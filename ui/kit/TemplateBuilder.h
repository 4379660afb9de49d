#pragma once

#include <QWidget>
#include <functional>

#include "res/DialogTemplate.h"
#include "ui/kit/DialogControls.h"

namespace velmora {

// Turns a dialog template into Qt widgets: sets the dialog's font and size from the template and
// creates each control as a child of the dialog at its converted rectangle. Controls the
// template marks hidden are created hidden and stay so until their owner shows them.
class TemplateBuilder {
 public:
  // Makes the widget for a tab control; the kit knows no tab control of its own, so a template
  // with one is built with the maker its window supplies (without one: a plain widget).
  using TabControlMaker = std::function<QWidget*(QWidget* parent)>;

  static DialogControls Build(const res::DialogTemplate& dialogTemplate, QWidget* dialog,
                              const TabControlMaker& makeTabControl = {});

 private:
  static QWidget* CreateControl(const res::ControlTemplate& control, QWidget* dialog,
                                const TabControlMaker& makeTabControl);
};

}  // namespace velmora
