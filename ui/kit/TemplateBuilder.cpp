#include "ui/kit/TemplateBuilder.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <algorithm>

namespace velmora {
namespace {

using res::ControlKind;

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A template's caption or control text in the user's language; the templates mark their texts
// in this context, and texts without a translation (numbers, port names) stay as they are.
QString Translated(std::string_view text) {
  if (text.empty()) return {};
  const QByteArray source(text.data(), static_cast<qsizetype>(text.size()));
  return QCoreApplication::translate("DialogTemplates", source.constData());
}

QWidget* CreateSlider(const res::ControlTemplate& control, QWidget* dialog) {
  const bool vertical = (control.style & res::kVertical) != 0;
  auto* slider = new QSlider(vertical ? Qt::Vertical : Qt::Horizontal, dialog);
  if (control.style & res::kTicksBothSides) slider->setTickPosition(QSlider::TicksBothSides);
  // A vertical slider shows its minimum at the top, and Up moves towards it.
  slider->setInvertedAppearance(vertical);
  slider->setInvertedControls(vertical);
  return slider;
}

QWidget* CreateComboBox(const res::ControlTemplate& control, QWidget* dialog) {
  auto* combo = new QComboBox(dialog);
  const bool editable = (control.style & res::kDropDown) != 0;
  combo->setEditable(editable);
  if (editable) {
    combo->setInsertPolicy(QComboBox::NoInsert);  // typing never adds entries
    combo->setCompleter(nullptr);
  }
  QStringList items;
  for (std::string_view item : control.items) items << ToQString(item);
  if (control.style & res::kSort) std::sort(items.begin(), items.end());
  combo->addItems(items);
  combo->setCurrentIndex(-1);  // no selection until the owner sets one
  return combo;
}

QWidget* CreateEdit(const res::ControlTemplate& control, QWidget* dialog) {
  auto* edit = new QLineEdit(Translated(control.text), dialog);
  edit->setFrame((control.style & res::kBorder) != 0);
  edit->setReadOnly((control.style & res::kReadOnly) != 0);
  // An edit box paints its whole rectangle, so a slider it overlaps (the tone page's boxes
  // overlap their sliders by a unit) is not repainted, and made to follow, at every keystroke.
  edit->setAutoFillBackground(true);
  return edit;
}

QWidget* CreatePushButton(const res::ControlTemplate& control, QWidget* dialog) {
  auto* button = new QPushButton(Translated(control.text), dialog);
  button->setDefault((control.style & res::kDefaultButton) != 0);
  return button;
}

QWidget* CreateLabel(const res::ControlTemplate& control, QWidget* dialog) {
  auto* label = new QLabel(Translated(control.text), dialog);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  if (control.style & res::kNoPrefix) label->setTextFormat(Qt::PlainText);
  return label;
}

QWidget* CreateProgressBar(QWidget* dialog) {
  auto* bar = new QProgressBar(dialog);
  bar->setRange(0, 100);
  bar->setValue(0);
  bar->setTextVisible(false);
  return bar;
}

}  // namespace

QWidget* TemplateBuilder::CreateControl(const res::ControlTemplate& control, QWidget* dialog,
                                        const TabControlMaker& makeTabControl) {
  switch (control.kind) {
    case ControlKind::Static:
      return CreateLabel(control, dialog);
    case ControlKind::Icon:
      return new QLabel(dialog);  // the owner sets the icon's pixmap
    case ControlKind::Edit:
      return CreateEdit(control, dialog);
    case ControlKind::PushButton:
      return CreatePushButton(control, dialog);
    case ControlKind::Slider:
      return CreateSlider(control, dialog);
    case ControlKind::ComboBox:
      return CreateComboBox(control, dialog);
    case ControlKind::TabControl:
      return makeTabControl ? makeTabControl(dialog) : new QWidget(dialog);
    case ControlKind::ProgressBar:
      return CreateProgressBar(dialog);
  }
  return new QWidget(dialog);
}

DialogControls TemplateBuilder::Build(const res::DialogTemplate& dialogTemplate, QWidget* dialog,
                                      const TabControlMaker& makeTabControl) {
  dialog->setFont(DialogUnits::TemplateFont(dialogTemplate.fontFace, dialogTemplate.fontPoints));
  const DialogUnits units = DialogUnits::ForFont(dialog->font());
  dialog->resize(units.ToPixelsX(dialogTemplate.widthDu), units.ToPixelsY(dialogTemplate.heightDu));
  if (!dialogTemplate.child) dialog->setWindowTitle(Translated(dialogTemplate.caption));

  std::vector<DialogControls::Entry> entries;
  for (const res::ControlTemplate& control : dialogTemplate.controls) {
    QWidget* widget = CreateControl(control, dialog, makeTabControl);
    QRect rect = units.ToPixels(control.rect);
    // A combo box's template height is that of its drop-down list; the box itself keeps the
    // height its font gives it.
    if (control.kind == ControlKind::ComboBox) rect.setHeight(widget->sizeHint().height());
    // A line of static text must fit: the faces standing in for the template font have taller
    // lines than it, and a clipped label loses the lower half of its characters.
    if (control.kind == ControlKind::Static) {
      rect.setHeight(std::max(rect.height(), widget->fontMetrics().height()));
    }
    widget->setGeometry(rect);
    widget->setVisible(control.visible);
    entries.push_back({&control, widget});
  }
  return DialogControls(units, std::move(entries));
}

}  // namespace velmora
