#pragma once

#include <QWidget>

#include "res/DialogTemplate.h"
#include "ui/DialogControls.h"

namespace velmora {

// Turns a dialog template into Qt widgets: sets the dialog's font and size from the template and
// creates each control as a child of the dialog at its converted rectangle. Controls the
// template marks hidden are created hidden and stay so until their owner shows them.
class TemplateBuilder {
 public:
  static DialogControls Build(const res::DialogTemplate& dialogTemplate, QWidget* dialog);

 private:
  static QWidget* CreateControl(const res::ControlTemplate& control, QWidget* dialog);
};

}  // namespace velmora
