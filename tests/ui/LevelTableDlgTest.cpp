#include <QDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

#include "core/ImageLayout.h"
#include "res/DialogTemplates.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/pages/CLevelTableDlg.h"

using namespace velmora;
using Bytes10 = std::array<std::uint8_t, 10>;
Q_DECLARE_METATYPE(Bytes10)

namespace {

// A shown window hosting one level table page of a default image.
struct Fixture {
  CalibrationImage image;
  test::RequestRecorder recorder{&image};
  QWidget host;
  CLevelTableDlg* page = new CLevelTableDlg;

  Fixture(int band, int table, bool show = true, int base = -1, int step = -1) {
    image.LoadDefaults();
    if (base >= 0) image.WriteBcd16(layout::kBand[static_cast<std::size_t>(band)].base, base);
    if (step >= 0) image.WriteBcd8(layout::kBand[static_cast<std::size_t>(band)].step, step);
    page->SetContext(&recorder.queue, &image, band, table);
    page->Create(&host);
    host.resize(page->size());
    if (show) Show();
  }
  void Show() {
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
  }
};

}  // namespace

class LevelTableDlgTest : public QObject {
  Q_OBJECT

 private slots:
  void releaseComposesLiveCommand_data();
  void releaseComposesLiveCommand();
  void receiveTuningReleaseSendsNothing();
  void keyboardMoveSendsNothing();
  void quickReleasesPostOneRequestForTheLastCommand();
  void releaseWhileBusyPostsAfterBusyClears();
  void storeClampsTypedNumbers_data();
  void storeClampsTypedNumbers();
  void defaultImageShowsLoadedBytesUntilSlidersPaint();
  void storeWithoutChangeWritesBackLoadedBytes();
  void nonIntegerIsRefusedOnStoreOnlyAndAlone();
  void enterNeverClosesThePage();
  void aMovingSliderExchangesOnlyItsOwnValue();
  void typedValueSurvivesHoverButNotFocus_data();
  void typedValueSurvivesHoverButNotFocus();
  void grooveClickTunesLive();
  void wheelMovesOnlyAFocusedSlider();
  void requestNeverComesBeforeFourHundredMilliseconds();
};

void LevelTableDlgTest::releaseComposesLiveCommand_data() {
  QTest::addColumn<int>("band");
  QTest::addColumn<int>("base");
  QTest::addColumn<int>("step");
  QTest::addColumn<int>("table");
  QTest::addColumn<int>("point");
  QTest::addColumn<int>("value");
  QTest::addColumn<Bytes10>("command");
  QTest::newRow("A middle power point 15")
      << 0 << 136 << 3 << 1 << 15 << 64
      << Bytes10{0xA6, 0x69, 0x80, 0x06, 0x01, 0x81, 0x13, 0x80, 0x0D, 0x40};
  QTest::newRow("A high power point 0")
      << 0 << 136 << 3 << 0 << 0 << 200
      << Bytes10{0xA6, 0x69, 0x80, 0x06, 0x01, 0x36, 0xFF, 0xFF, 0xC8, 0x00};
  QTest::newRow("B low power point 15")
      << 1 << 400 << 5 << 2 << 15 << 17
      << Bytes10{0xA6, 0x69, 0x80, 0x06, 0x04, 0x75, 0xFF, 0xFF, 0x11, 0x00};
}

void LevelTableDlgTest::releaseComposesLiveCommand() {
  QFETCH(int, band);
  QFETCH(int, base);
  QFETCH(int, step);
  QFETCH(int, table);
  QFETCH(int, point);
  QFETCH(int, value);
  QFETCH(Bytes10, command);
  Fixture f(band, table, true, base, step);
  test::ReleaseSliderAt(f.page->Slider(point), value);
  QCOMPARE(f.page->Value(point), value);
  QCOMPARE(test::Pending(*f.page), command);
  QVERIFY(f.page->IsLiveRequestArmed());
  QTRY_COMPARE_WITH_TIMEOUT(f.recorder.entries.size(), std::size_t{1}, 2000);
  QCOMPARE(f.recorder.entries[0].table, LiveTuningQueue::LevelTable(table));
  QCOMPARE(f.recorder.entries[0].liveCommand, command);
  QVERIFY(!f.page->IsLiveRequestArmed());
}

void LevelTableDlgTest::receiveTuningReleaseSendsNothing() {
  Fixture f(0, 3);
  const auto before = f.image.ToBytes();
  test::ReleaseSliderAt(f.page->Slider(4), 20);
  QCOMPARE(f.page->Value(4), 20);
  QVERIFY(f.image.ToBytes() == before);
  QVERIFY(!f.page->IsLiveRequestArmed());
  QTest::qWait(500);
  QCOMPARE(f.recorder.entries.size(), std::size_t{0});
}

void LevelTableDlgTest::keyboardMoveSendsNothing() {
  Fixture f(0, 0);
  const auto before = f.image.ToBytes();
  QSlider* slider = f.page->Slider(3);
  slider->setFocus();
  QTest::keyClick(slider, Qt::Key_Right);
  QTest::keyClick(slider, Qt::Key_Right);
  QCOMPARE(slider->value(), 65);
  QTRY_COMPARE(f.page->Edit(3)->text(), QStringLiteral("65"));
  QVERIFY(f.image.ToBytes() == before);
  QVERIFY(!f.page->IsLiveRequestArmed());
}

void LevelTableDlgTest::quickReleasesPostOneRequestForTheLastCommand() {
  Fixture f(0, 0, true, 136, 3);
  test::ReleaseSliderAt(f.page->Slider(0), 10);
  QTest::qWait(100);
  test::ReleaseSliderAt(f.page->Slider(1), 20);
  f.recorder.clock.start();
  const Bytes10 second{0xA6, 0x69, 0x80, 0x06, 0x01, 0x39, 0xFF, 0xFF, 0x14, 0x00};
  QCOMPARE(test::Pending(*f.page), second);
  QTRY_COMPARE_WITH_TIMEOUT(f.recorder.entries.size(), std::size_t{1}, 2000);
  // The second release began the period again: the first one's would have ended 300 ms in.
  QVERIFY2(f.recorder.entries[0].elapsedMs >= 380,
           qPrintable(QString::number(f.recorder.entries[0].elapsedMs)));
  QCOMPARE(f.recorder.entries[0].liveCommand, second);
  QTest::qWait(500);
  QCOMPARE(f.recorder.entries.size(), std::size_t{1});
}

void LevelTableDlgTest::releaseWhileBusyPostsAfterBusyClears() {
  Fixture f(0, 1);
  f.image.setBusy(true);
  test::ReleaseSliderAt(f.page->Slider(2), 70);
  QTest::qWait(900);  // two ticks find the transfer still running
  QCOMPARE(f.recorder.entries.size(), std::size_t{0});
  QVERIFY(f.page->IsLiveRequestArmed());
  f.image.setBusy(false);
  QTRY_COMPARE_WITH_TIMEOUT(f.recorder.entries.size(), std::size_t{1}, 1500);
  QCOMPARE(f.recorder.entries[0].table, LiveTuningQueue::LevelTable(1));
}

void LevelTableDlgTest::storeClampsTypedNumbers_data() {
  QTest::addColumn<int>("table");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<int>("stored");
  QTest::newRow("300 high power") << 0 << "300" << 255;
  QTest::newRow("-5 middle power") << 1 << "-5" << 0;
  QTest::newRow("300 receive tuning") << 3 << "300" << 63;
  QTest::newRow("blanks around") << 2 << " 42 " << 42;
}

void LevelTableDlgTest::storeClampsTypedNumbers() {
  QFETCH(int, table);
  QFETCH(QString, typed);
  QFETCH(int, stored);
  test::PromptRecorder prompts;
  Fixture f(0, table);
  test::TypeInto(f.page->Edit(6), typed);
  f.page->StoreToImage();
  QCOMPARE(int{f.image.Level({Band::A, table, 6})}, stored);
  QCOMPARE(f.page->Value(6), stored);
  QVERIFY(prompts.prompts.isEmpty());
}

void LevelTableDlgTest::defaultImageShowsLoadedBytesUntilSlidersPaint() {
  Fixture a0(0, 0);
  Fixture b0(1, 0);
  Fixture rx(0, 3, false);
  for (int k = 0; k < CLevelTableDlg::kPoints; ++k) {
    QCOMPARE(a0.page->Edit(k)->text(), QStringLiteral("63"));
    QCOMPARE(b0.page->Edit(k)->text(), QStringLiteral("255"));
    QCOMPARE(rx.page->Edit(k)->text(), QStringLiteral("255"));
    QCOMPARE(rx.page->Slider(k)->value(), 63);
  }
  rx.Show();
  for (int k = 0; k < CLevelTableDlg::kPoints; ++k) {
    QTRY_COMPARE(rx.page->Edit(k)->text(), QStringLiteral("63"));
  }
}

void LevelTableDlgTest::storeWithoutChangeWritesBackLoadedBytes() {
  for (int table : {0, 3}) {
    CalibrationImage image;
    image.LoadDefaults();
    for (int k = 0; k < CLevelTableDlg::kPoints; ++k) {
      image.SetLevel({Band::B, table, k}, static_cast<std::uint8_t>(k * 3 + 7));
    }
    image.SetLevel({Band::B, table, 9}, 0xFF);  // above 63 on the receive tuning page
    auto loaded = image.ToBytes();
    QWidget host;
    auto* page = new CLevelTableDlg;
    page->SetContext(nullptr, &image, 1, table);
    page->Create(&host);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    QTest::qWait(50);
    page->StoreToImage();
    if (table == 3) loaded[6 + 66 + 16 * 3 + 9] = 63;
    QVERIFY2(image.ToBytes() == loaded, qPrintable(QString("table %1").arg(table)));
  }
}

void LevelTableDlgTest::nonIntegerIsRefusedOnStoreOnlyAndAlone() {
  test::PromptRecorder prompts;
  Fixture f(0, 0);
  test::TypeInto(f.page->Edit(2), QStringLiteral("12a"));
  test::TypeInto(f.page->Edit(5), QStringLiteral("100"));
  for (int i = 0; i < 5; ++i) {
    f.page->Slider(9)->repaint();
    f.page->Slider(2)->repaint();  // point 2's own box follows its slider
    f.page->Edit(2)->setText(QStringLiteral("12a"));
  }
  QVERIFY(prompts.prompts.isEmpty());
  QCOMPARE(f.page->Edit(2)->text(), QStringLiteral("12a"));
  test::TypeInto(f.page->Edit(7), QStringLiteral("9"));
  test::TypeInto(f.page->Edit(11), QStringLiteral("x"));
  test::TypeInto(f.page->Edit(15), QStringLiteral("7"));
  f.page->StoreToImage();
  // One prompt per store, for the first refusal, which takes the focus.
  QCOMPARE(prompts.prompts, QStringList{QStringLiteral("请输入一个整数。")});
  QCOMPARE(f.host.focusWidget(), static_cast<QWidget*>(f.page->Edit(2)));
  QCOMPARE(int{f.image.Level({Band::A, 0, 2})}, 63);  // refused: the value held
  QCOMPARE(int{f.image.Level({Band::A, 0, 5})}, 100);
  QCOMPARE(int{f.image.Level({Band::A, 0, 7})}, 9);  // boxes after a refusal store what they show
  QCOMPARE(int{f.image.Level({Band::A, 0, 11})}, 63);
  QCOMPARE(int{f.image.Level({Band::A, 0, 15})}, 7);
}

void LevelTableDlgTest::enterNeverClosesThePage() {
  CalibrationImage image;
  image.LoadDefaults();
  QDialog dialog;
  auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
  ok->setDefault(true);
  QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
  auto* page = new CLevelTableDlg;
  page->SetContext(nullptr, &image, 0, 0);
  page->Create(&dialog);
  QSignalSpy accepted(&dialog, &QDialog::accepted);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  QVERIFY(page->Control(res::IDOK) != nullptr);
  QVERIFY(!page->Control(res::IDOK)->isVisible());
  page->Edit(0)->setFocus();
  QTest::keyClick(page->Edit(0), Qt::Key_Return);
  QTest::keyClick(page->Slider(0), Qt::Key_Enter);
  QCOMPARE(accepted.count(), 0);
  QVERIFY(dialog.isVisible());
  QVERIFY(page->isVisible());
}

// A slider that moves exchanges its own value alone: the other boxes keep their text as typed,
// their members keep their values until a store takes them up, and nothing is refused.
void LevelTableDlgTest::aMovingSliderExchangesOnlyItsOwnValue() {
  test::PromptRecorder prompts;
  Fixture f(0, 0);
  test::TypeInto(f.page->Edit(5), QStringLiteral(" +7"));
  test::TypeInto(f.page->Edit(9), QStringLiteral("x"));
  f.page->Slider(2)->setValue(40);
  f.page->Slider(2)->repaint();
  QCOMPARE(f.page->Edit(2)->text(), QStringLiteral("40"));
  QCOMPARE(f.page->Value(2), 40);
  QCOMPARE(f.page->Edit(5)->text(), QStringLiteral(" +7"));
  QCOMPARE(f.page->Value(5), 63);
  QCOMPARE(f.page->Edit(9)->text(), QStringLiteral("x"));
  QVERIFY(prompts.prompts.isEmpty());
  f.page->StoreToImage();
  QCOMPARE(int{f.image.Level({Band::A, 0, 2})}, 40);
  QCOMPARE(int{f.image.Level({Band::A, 0, 5})}, 7);
}

void LevelTableDlgTest::typedValueSurvivesHoverButNotFocus_data() {
  QTest::addColumn<int>("table");
  QTest::newRow("high power") << 0;
  QTest::newRow("receive tuning") << 3;
}

// The mouse passing over a slider must not take its position into the box the user typed in;
// the slider taking the focus still does.
void LevelTableDlgTest::typedValueSurvivesHoverButNotFocus() {
  QFETCH(int, table);
  Fixture f(0, table);
  QSlider* slider = f.page->Slider(3);
  test::TypeInto(f.page->Edit(3), QStringLiteral("21"));
  test::Hover(slider);
  test::Hover(f.page->Slider(4));
  QTest::qWait(50);
  QCOMPARE(f.page->Edit(3)->text(), QStringLiteral("21"));
  f.page->StoreToImage();
  QCOMPARE(int{f.image.Level({Band::A, table, 3})}, 21);

  slider->setFocus(Qt::TabFocusReason);
  QTRY_COMPARE(f.page->Edit(3)->text(), QString::number(slider->value()));
  QVERIFY(slider->value() != 21);
}

// A click on the groove moves the value by a page; the radio must follow it like a drag.
void LevelTableDlgTest::grooveClickTunesLive() {
  Fixture f(0, 0, true, 136, 3);
  QSlider* slider = f.page->Slider(4);
  const int before = slider->value();
  test::ClickGrooveFarEnd(slider);
  const int after = slider->value();
  QVERIFY(after > before);
  QCOMPARE(f.page->Edit(4)->text(), QString::number(after));
  QTRY_COMPARE_WITH_TIMEOUT(f.recorder.entries.size(), std::size_t{1}, 2000);
  const Bytes10 expected{0xA6, 0x69, 0x80, 0x06, 0x01, 0x48, 0xFF, 0xFF, std::uint8_t(after), 0};
  QCOMPARE(f.recorder.entries[0].liveCommand, expected);
}

void LevelTableDlgTest::wheelMovesOnlyAFocusedSlider() {
  Fixture f(0, 1);
  QSlider* slider = f.page->Slider(6);
  const int before = slider->value();
  f.page->Edit(0)->setFocus();
  test::Wheel(slider, -1);
  QTest::qWait(20);
  QCOMPARE(slider->value(), before);
  QCOMPARE(f.page->Edit(6)->text(), QString::number(before));
  slider->setFocus();
  QTRY_VERIFY(slider->hasFocus());
  test::Wheel(slider, -1);
  QVERIFY(slider->value() != before);
  QTRY_COMPARE(f.page->Edit(6)->text(), QString::number(slider->value()));
}

// The debounce is exact: a coarse timer would be allowed to fire up to 20 ms early.
void LevelTableDlgTest::requestNeverComesBeforeFourHundredMilliseconds() {
  Fixture f(0, 0);
  QSlider* slider = f.page->Slider(2);
  for (int round = 0; round < 6; ++round) {
    f.recorder.entries.clear();
    slider->setValue(0);
    f.recorder.clock.start();
    test::ClickGrooveFarEnd(slider);
    QTRY_COMPARE_WITH_TIMEOUT(f.recorder.entries.size(), std::size_t{1}, 2000);
    QVERIFY2(f.recorder.entries[0].elapsedMs >= 400,
             qPrintable(QString::number(f.recorder.entries[0].elapsedMs)));
  }
}

QTEST_MAIN(LevelTableDlgTest)
#include "LevelTableDlgTest.moc"
