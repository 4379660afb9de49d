#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QSlider>
#include <QtTest>
#include <cmath>

#include "res/DialogTemplates.h"
#include "ui/controls/CStyledTabCtrl.h"
#include "ui/kit/TemplateBuilder.h"

using namespace velmora;
using res::ControlKind;

namespace {

const int kTemplateIds[] = {res::IDD_ABOUTBOX, res::IDD_MAIN, res::IDD_BAND_PAGE,
                            res::IDD_TONE_LEVEL, res::IDD_LEVEL_TABLE};

bool IsKind(QWidget* w, ControlKind kind) {
  switch (kind) {
    case ControlKind::Static:
    case ControlKind::Icon:
      return qobject_cast<QLabel*>(w) != nullptr;
    case ControlKind::Edit:
      return qobject_cast<QLineEdit*>(w) != nullptr;
    case ControlKind::PushButton:
      return qobject_cast<QPushButton*>(w) != nullptr;
    case ControlKind::Slider:
      return qobject_cast<QSlider*>(w) != nullptr;
    case ControlKind::ComboBox:
      return qobject_cast<QComboBox*>(w) != nullptr;
    case ControlKind::TabControl:
      return qobject_cast<CStyledTabCtrl*>(w) != nullptr;
    case ControlKind::ProgressBar:
      return qobject_cast<QProgressBar*>(w) != nullptr;
  }
  return false;
}

// The base units measured here, independently of the builder: the rounded average width of
// the 52 letters and the font's em height in pixels (the template font has no leading).
QPoint MeasuredBaseUnits(const QFont& font) {
  const QFontMetrics m(font);
  const int width = m.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ")) +
                    m.horizontalAdvance(QStringLiteral("abcdefghijklmnopqrstuvwxyz"));
  return QPoint(static_cast<int>(std::lround(width / 52.0)), font.pixelSize());
}

QRect Expected(const res::DuRect& du, QPoint base) {
  auto px = [](int v, int b, int d) { return static_cast<int>(std::lround(v * b / double(d))); };
  const int left = px(du.x, base.x(), 4);
  const int top = px(du.y, base.y(), 8);
  return QRect(left, top, px(du.x + du.width, base.x(), 4) - left,
               px(du.y + du.height, base.y(), 8) - top);
}

}  // namespace

class TemplateBuilderTest : public QObject {
  Q_OBJECT

 private slots:
  void everyControlIsBuiltWhereItsTemplatePutsIt_data();
  void everyControlIsBuiltWhereItsTemplatePutsIt();
  void controlsAsListed_data();
  void controlsAsListed();
  void idsAreUniqueAndFontIsACjkFace();
};

void TemplateBuilderTest::everyControlIsBuiltWhereItsTemplatePutsIt_data() {
  QTest::addColumn<int>("templateId");
  QTest::addColumn<int>("index");
  for (int id : kTemplateIds) {
    const auto* t = res::FindDialogTemplate(id);
    for (std::size_t i = 0; i < t->controls.size(); ++i) {
      QTest::addRow("%d/%d/id %d", id, int(i), t->controls[i].id) << id << int(i);
    }
  }
}

void TemplateBuilderTest::everyControlIsBuiltWhereItsTemplatePutsIt() {
  QFETCH(int, templateId);
  QFETCH(int, index);
  const auto& t = *res::FindDialogTemplate(templateId);
  const auto& control = t.controls[static_cast<std::size_t>(index)];
  QWidget dialog;
  const DialogControls controls =
      TemplateBuilder::Build(t, &dialog, &CStyledTabCtrl::MakeForTemplate);
  const QPoint base = MeasuredBaseUnits(dialog.font());
  QCOMPARE(controls.units().baseX(), base.x());
  QCOMPARE(controls.units().baseY(), base.y());
  QCOMPARE(dialog.size(), Expected({0, 0, t.widthDu, t.heightDu}, base).size());

  QWidget* widget = controls.All()[static_cast<std::size_t>(index)].widget;
  QVERIFY(widget != nullptr);
  QCOMPARE(widget->parentWidget(), &dialog);
  if (control.id != res::kNoId) QCOMPARE(controls.Widget(control.id), widget);
  QVERIFY(IsKind(widget, control.kind));
  QCOMPARE(widget->isVisibleTo(&dialog), control.visible);
  const QRect expected = Expected(control.rect, base);
  if (control.kind == ControlKind::ComboBox) {  // the template height is the drop-down list's
    QCOMPARE(widget->geometry().topLeft(), expected.topLeft());
    QCOMPARE(widget->width(), expected.width());
  } else if (control.kind == ControlKind::Static) {  // grown to a whole line of text at most
    QCOMPARE(widget->geometry().topLeft(), expected.topLeft());
    QCOMPARE(widget->width(), expected.width());
    QCOMPARE(widget->height(), std::max(expected.height(), widget->fontMetrics().height()));
  } else {
    QCOMPARE(widget->geometry(), expected);
  }
}

void TemplateBuilderTest::controlsAsListed_data() {
  QTest::addColumn<int>("templateId");
  QTest::addColumn<int>("id");
  QTest::addColumn<int>("kind");
  QTest::addColumn<QRect>("du");
  QTest::addColumn<bool>("visible");
  QTest::addColumn<QString>("text");
  auto row = [](const char* name, int t, int id, ControlKind k, QRect du, bool visible,
                const QString& text = {}) {
    QTest::newRow(name) << t << id << int(k) << du << visible << text;
  };
  using K = ControlKind;
  row("point 0 slider", res::IDD_LEVEL_TABLE, res::level_page::kSliders[0], K::Slider,
      {0, 0, 158, 16}, true);
  row("point 8 slider", res::IDD_LEVEL_TABLE, res::level_page::kSliders[8], K::Slider,
      {0, 68, 158, 16}, true);
  row("point 15 slider", res::IDD_LEVEL_TABLE, res::level_page::kSliders[15], K::Slider,
      {183, 119, 158, 16}, true);
  row("point 1 edit", res::IDD_LEVEL_TABLE, res::level_page::kEdits[1], K::Edit, {341, 3, 16, 12},
      true);
  row("point 14 edit", res::IDD_LEVEL_TABLE, res::level_page::kEdits[14], K::Edit,
      {158, 122, 16, 12}, true);
  row("OK", res::IDD_LEVEL_TABLE, res::IDOK, K::PushButton, {280, 146, 30, 14}, false, "OK");
  row("column 0 slider", res::IDD_TONE_LEVEL, res::tone_page::kSliders[0], K::Slider,
      {4, 0, 15, 48}, true);
  row("column 7 edit", res::IDD_TONE_LEVEL, res::tone_page::kEdits[7], K::Edit, {155, 47, 14, 12},
      true);
  row("column 1 edit", res::IDD_TONE_LEVEL, res::tone_page::kEdits[1], K::Edit, {29, 47, 14, 12},
      true);
  row("tone list", res::IDD_TONE_LEVEL, res::tone_page::kToneList, K::ComboBox, {167, 4, 32, 153},
      true);
  row("OK", res::IDD_TONE_LEVEL, res::IDOK, K::PushButton, {166, 80, 31, 14}, false, "OK");
  row("base slider", res::IDD_BAND_PAGE, res::band_page::kBaseSlider, K::Slider, {236, 4, 100, 15},
      true);
  row("step edit", res::IDD_BAND_PAGE, res::band_page::kStep, K::Edit, {337, 22, 19, 12}, true);
  row("tx high", res::IDD_BAND_PAGE, res::band_page::kTxHigh, K::Edit, {123, 24, 28, 12}, true);
  row("progress", res::IDD_BAND_PAGE, res::band_page::kProgress, K::ProgressBar, {179, 7, 7, 67},
      true);
  row("level tabs", res::IDD_BAND_PAGE, res::band_page::kLevelTab, K::TabControl,
      {17, 88, 363, 150}, true);
  row("tone tabs", res::IDD_BAND_PAGE, res::band_page::kToneTab, K::TabControl, {166, 150, 202, 71},
      false);
  row("row label", res::IDD_BAND_PAGE, res::band_page::kRowLabel, K::Static, {3, 71, 199, 8}, false,
      "136  142");
  row("right strip", res::IDD_BAND_PAGE, res::band_page::kRightLabels, K::Static,
      {380, 103, 17, 132}, true, "370 430");
  row("ok", res::IDD_BAND_PAGE, res::IDOK, K::PushButton, {322, 58, 22, 14}, false, "ok");
  row("tabs", res::IDD_MAIN, res::main_window::kTab, K::TabControl, {0, 0, 501, 307}, true);
  row("read", res::IDD_MAIN, res::main_window::kRead, K::PushButton, {290, 309, 45, 28}, true,
      "读出");
  row("open", res::IDD_MAIN, res::main_window::kOpen, K::PushButton, {458, 309, 45, 28}, true,
      "打开");
  row("port", res::IDD_MAIN, res::main_window::kPort, K::ComboBox, {246, 313, 39, 58}, true);
  row("IF", res::IDD_MAIN, res::main_window::kIf, K::ComboBox, {35, 332, 69, 58}, false);
  row("crystal", res::IDD_MAIN, res::main_window::kCrystal, K::ComboBox, {36, 313, 69, 58}, false);
  row("OK", res::IDD_MAIN, res::IDOK, K::PushButton, {229, 359, 17, 9}, false, "OK");
  row("text 2", res::IDD_MAIN, res::main_window::kPowerOnText2, K::Edit, {151, 327, 40, 14}, true);
  row("OK", res::IDD_ABOUTBOX, res::IDOK, K::PushButton, {178, 7, 50, 14}, true, "确定");
}

void TemplateBuilderTest::controlsAsListed() {
  QFETCH(int, templateId);
  QFETCH(int, id);
  QFETCH(int, kind);
  QFETCH(QRect, du);
  QFETCH(bool, visible);
  QFETCH(QString, text);
  const auto& t = *res::FindDialogTemplate(templateId);
  QWidget dialog;
  const DialogControls controls =
      TemplateBuilder::Build(t, &dialog, &CStyledTabCtrl::MakeForTemplate);
  QWidget* widget = controls.Widget(id);
  QVERIFY(widget != nullptr);
  QVERIFY(IsKind(widget, ControlKind(kind)));
  QCOMPARE(widget->isVisibleTo(&dialog), visible);
  const QRect expected =
      Expected({du.x(), du.y(), du.width(), du.height()}, MeasuredBaseUnits(dialog.font()));
  QCOMPARE(widget->pos(), expected.topLeft());
  QCOMPARE(widget->width(), expected.width());
  if (auto* button = qobject_cast<QPushButton*>(widget)) QCOMPARE(button->text(), text);
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    QCOMPARE(label->text(), text);
    QVERIFY(label->height() >= label->fontMetrics().height());  // no half-cut line of text
  }
}

void TemplateBuilderTest::idsAreUniqueAndFontIsACjkFace() {
  for (int id : kTemplateIds) {
    const auto& t = *res::FindDialogTemplate(id);
    QSet<int> seen;
    for (const auto& c : t.controls) {
      if (c.id == res::kNoId) continue;
      QVERIFY2(!seen.contains(c.id), qPrintable(QString("template %1 id %2").arg(id).arg(c.id)));
      seen.insert(c.id);
    }
    QWidget dialog;
    TemplateBuilder::Build(t, &dialog, &CStyledTabCtrl::MakeForTemplate);
    const QString family = QFontInfo(dialog.font()).family();
    QVERIFY2(family.contains("CJK") || family.contains("SimSun"), qPrintable(family));
    QCOMPARE(dialog.font().pixelSize(), (t.fontPoints * 96 + 36) / 72);
  }
  QWidget main;
  const auto controls =
      TemplateBuilder::Build(res::MainWindowTemplate(), &main, &CStyledTabCtrl::MakeForTemplate);
  QCOMPARE(main.windowTitle(), QStringLiteral("UV电调测试软件"));
  QCOMPARE(controls.Get<QComboBox>(res::main_window::kPort)->count(), 8);
  QCOMPARE(controls.Get<QComboBox>(res::main_window::kIf)->itemText(0), QStringLiteral("38550K"));
  QCOMPARE(controls.Get<QComboBox>(res::main_window::kCrystal)->itemText(1),
           QStringLiteral("14400K"));
}

QTEST_MAIN(TemplateBuilderTest)
#include "TemplateBuilderTest.moc"
