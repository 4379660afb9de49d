#include <QComboBox>
#include <QtTest>

#include "core/ImageLayout.h"
#include "res/DialogTemplates.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/pages/CToneLevelDlg.h"

using namespace velmora;
using Bytes10 = std::array<std::uint8_t, 10>;
Q_DECLARE_METATYPE(Bytes10)

namespace {

struct Fixture {
  CalibrationImage image;
  test::RequestRecorder recorder{&image};
  QWidget host;
  CToneLevelDlg* page = new CToneLevelDlg;

  Fixture(int band, int group, int base = -1, int stepByte = -1) {
    image.LoadDefaults();
    if (base >= 0) image.WriteBcd16(layout::kBand[static_cast<std::size_t>(band)].base, base);
    if (stepByte >= 0) {
      image.SetAt(layout::kBand[static_cast<std::size_t>(band)].step,
                  static_cast<std::uint8_t>(stepByte));
    }
    page->SetContext(&recorder.queue, &image, band, group);
    page->Create(&host);
    host.resize(page->size());
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
  }
};

}  // namespace

class ToneLevelDlgTest : public QObject {
  Q_OBJECT

 private slots:
  void releaseComposesToneCommand_data();
  void releaseComposesToneCommand();
  void typedToneIsUsedOnlyWhenItIsANumber_data();
  void typedToneIsUsedOnlyWhenItIsANumber();
  void quickReleasesPostOneRequestForTheLastCommand();
  void releaseWhileBusyPostsAfterBusyClears();
  void toneListsOfTheGroups();
  void loadSetsZeroAndStoreKeepsNothing();
  void unsignedColumnRefusesNegativeOnStore();
  void slidersHaveTheirMinimumAtTheTop();
  void typedTextSurvivesTheBoxRepaints();
  void typedValueSurvivesHover();
};

void ToneLevelDlgTest::releaseComposesToneCommand_data() {
  QTest::addColumn<int>("band");
  QTest::addColumn<int>("base");
  QTest::addColumn<int>("stepByte");
  QTest::addColumn<int>("group");
  QTest::addColumn<int>("entry");
  QTest::addColumn<int>("column");
  QTest::addColumn<int>("value");
  QTest::addColumn<Bytes10>("command");
  QTest::newRow("A 67.0 column 7")
      << 0 << 136 << 0x03 << 0 << 0 << 7 << 128
      << Bytes10{0xA6, 0x69, 0x80, 0x06, 0x01, 0x78, 0x9E, 0x02, 0x0D, 0x80};
  QTest::newRow("B 192.8 column 7")
      << 1 << 400 << 0x05 << 5 << 7 << 7 << 50
      << Bytes10{0xA6, 0x69, 0x80, 0x06, 0x04, 0x70, 0x88, 0x07, 0x0D, 0x32};
  QTest::newRow("B column 0") << 1 << 400 << 0x05 << 7 << 4 << 0 << 255
                              << Bytes10{0xA6, 0x69, 0x80, 0x06, 0x04,
                                         0x00, 0xC7, 0x09, 0x0D, 0xFF};
  QTest::newRow("A step byte 0x85 reads 0")
      << 0 << 136 << 0x85 << 1 << 5 << 6 << 3
      << Bytes10{0xA6, 0x69, 0x80, 0x06, 0x01, 0x36, 0xE8, 0x03, 0x0D, 0x03};
}

void ToneLevelDlgTest::releaseComposesToneCommand() {
  QFETCH(int, band);
  QFETCH(int, base);
  QFETCH(int, stepByte);
  QFETCH(int, group);
  QFETCH(int, entry);
  QFETCH(int, column);
  QFETCH(int, value);
  QFETCH(Bytes10, command);
  Fixture f(band, group, base, stepByte);
  f.page->ToneList()->setCurrentIndex(entry);
  test::ReleaseSliderAt(f.page->Slider(column), value);
  QCOMPARE(f.page->Value(column), value);
  QCOMPARE(test::Pending(*f.page), command);
  QTRY_COMPARE_WITH_TIMEOUT(f.recorder.entries.size(), std::size_t{1}, 2000);
  QCOMPARE(f.recorder.entries[0].table, LiveTuningQueue::ToneGroup(group));
  QCOMPARE(f.recorder.entries[0].liveCommand, command);
}

void ToneLevelDlgTest::typedToneIsUsedOnlyWhenItIsANumber_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<int>("toneLow");
  QTest::addColumn<int>("toneHigh");
  QTest::newRow("typed 100.0") << "100.0" << 0xE8 << 0x03;
  QTest::newRow("typed 88.5 ") << " 88.5 " << 0x75 << 0x03;
  QTest::newRow("typed text: selected 71.9") << "abc" << 0xCF << 0x02;
  QTest::newRow("typed 12x: selected 71.9") << "12x" << 0xCF << 0x02;
  QTest::newRow("emptied: selected 71.9") << "" << 0xCF << 0x02;
}

void ToneLevelDlgTest::typedToneIsUsedOnlyWhenItIsANumber() {
  QFETCH(QString, typed);
  QFETCH(int, toneLow);
  QFETCH(int, toneHigh);
  Fixture f(0, 0);
  QComboBox* list = f.page->ToneList();
  list->setCurrentIndex(2);  // "71.9"
  list->lineEdit()->setFocus();
  QTest::keyClick(list->lineEdit(), Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(list->lineEdit(), Qt::Key_Backspace);
  QTest::keyClicks(list->lineEdit(), typed);
  QCOMPARE(list->currentIndex(), 2);
  test::ReleaseSliderAt(f.page->Slider(1), 9);
  const auto command = test::Pending(*f.page);
  QCOMPARE(int{command[6]}, toneLow);
  QCOMPARE(int{command[7]}, toneHigh);
  QCOMPARE(int{command[9]}, 9);
}

void ToneLevelDlgTest::quickReleasesPostOneRequestForTheLastCommand() {
  Fixture f(0, 0, 136, 0x03);
  test::ReleaseSliderAt(f.page->Slider(0), 10);
  QTest::qWait(100);
  test::ReleaseSliderAt(f.page->Slider(7), 128);
  f.recorder.clock.start();
  const Bytes10 second{0xA6, 0x69, 0x80, 0x06, 0x01, 0x78, 0x9E, 0x02, 0x0D, 0x80};
  QTRY_COMPARE_WITH_TIMEOUT(f.recorder.entries.size(), std::size_t{1}, 2000);
  // The second release began the period again: the first one's would have ended 300 ms in.
  QVERIFY2(f.recorder.entries[0].elapsedMs >= 380,
           qPrintable(QString::number(f.recorder.entries[0].elapsedMs)));
  QCOMPARE(f.recorder.entries[0].liveCommand, second);
  QTest::qWait(500);
  QCOMPARE(f.recorder.entries.size(), std::size_t{1});
}

void ToneLevelDlgTest::releaseWhileBusyPostsAfterBusyClears() {
  Fixture f(1, 3);
  f.image.setBusy(true);
  test::ReleaseSliderAt(f.page->Slider(2), 40);
  QTest::qWait(900);
  QCOMPARE(f.recorder.entries.size(), std::size_t{0});
  QVERIFY(f.page->IsLiveRequestArmed());
  f.image.setBusy(false);
  QTRY_COMPARE_WITH_TIMEOUT(f.recorder.entries.size(), std::size_t{1}, 1500);
}

void ToneLevelDlgTest::toneListsOfTheGroups() {
  const int counts[] = {7, 6, 5, 5, 7, 8, 6, 5};
  const char* firsts[] = {"67.0", "85.4", "103.5", "123.0", "146.2", "171.3", "196.6", "225.7"};
  const char* lasts[] = {"82.5", "100.0", "118.8", "141.3", "167.9", "192.8", "218.1", "250.3"};
  int total = 0;
  CalibrationImage image;
  image.LoadDefaults();
  for (int g = 0; g < CToneLevelDlg::kGroups; ++g) {
    QWidget host;
    auto* page = new CToneLevelDlg;
    page->SetContext(nullptr, &image, 0, g);
    page->Create(&host);
    QComboBox* list = page->ToneList();
    QVERIFY(list->isEditable());
    QCOMPARE(list->count(), counts[g]);
    QCOMPARE(list->currentIndex(), 0);
    QCOMPARE(list->itemText(0), QString::fromLatin1(firsts[g]));
    QCOMPARE(list->itemText(list->count() - 1), QString::fromLatin1(lasts[g]));
    QCOMPARE(CToneLevelDlg::Caption(g), QStringLiteral("%1-%2").arg(firsts[g], lasts[g]));
    total += list->count();
  }
  QCOMPARE(total, 49);
  QCOMPARE(CToneLevelDlg::Tones(9).size(), std::size_t{5});
  QCOMPARE(CToneLevelDlg::Tones(9).front(), std::string_view("225.7"));
}

void ToneLevelDlgTest::loadSetsZeroAndStoreKeepsNothing() {
  Fixture f(0, 2);
  for (std::size_t i = 0; i < layout::kImageSize; ++i) {
    if (i != layout::kBusy) f.image.SetAt(i, static_cast<std::uint8_t>(i * 7));
  }
  f.page->ToneList()->setCurrentIndex(3);
  f.page->LoadFromImage();
  for (int k = 0; k < CToneLevelDlg::kColumns; ++k) {
    QCOMPARE(f.page->Slider(k)->value(), 0);
    QCOMPARE(f.page->Edit(k)->text(), QStringLiteral("0"));
  }
  QCOMPARE(f.page->ToneList()->currentIndex(), 3);
  const auto before = f.image.ToBytes();
  test::TypeInto(f.page->Edit(4), QStringLiteral("77"));
  f.page->StoreToImage();
  QCOMPARE(f.page->Value(4), 77);
  QVERIFY(f.image.ToBytes() == before);
}

void ToneLevelDlgTest::unsignedColumnRefusesNegativeOnStore() {
  test::PromptRecorder prompts;
  Fixture f(0, 0);
  test::TypeInto(f.page->Edit(0), QStringLiteral("-5"));
  f.page->StoreToImage();
  QVERIFY(prompts.prompts.isEmpty());
  QCOMPARE(f.page->Value(0), -5);
  test::TypeInto(f.page->Edit(3), QStringLiteral("-5"));
  f.page->Slider(6)->repaint();
  QVERIFY(prompts.prompts.isEmpty());
  QCOMPARE(f.page->Edit(3)->text(), QStringLiteral("-5"));
  f.page->StoreToImage();
  QCOMPARE(prompts.prompts, QStringList{QStringLiteral("请输入一个非负整数。")});
  QCOMPARE(f.page->Value(3), 0);
}

void ToneLevelDlgTest::slidersHaveTheirMinimumAtTheTop() {
  Fixture f(0, 0);
  QSlider* slider = f.page->Slider(5);
  QCOMPARE(slider->orientation(), Qt::Vertical);
  QVERIFY(test::HandleCenter(slider).y() < slider->height() / 2);
  QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(slider->width() / 2, slider->height() - 2));
  QVERIFY(slider->value() > 0);  // a click below the thumb moves it towards the maximum
}

void ToneLevelDlgTest::typedTextSurvivesTheBoxRepaints() {
  // The boxes overlap their sliders; a box's own repaints (typing, the blinking caret) must not
  // repaint the slider beneath and so replace the text with the slider's position.
  Fixture f(0, 4);
  test::TypeInto(f.page->Edit(5), QStringLiteral("123"));
  QTest::qWait(700);
  QCOMPARE(f.page->Edit(5)->text(), QStringLiteral("123"));
  f.page->StoreToImage();
  QCOMPARE(f.page->Value(5), 123);
}

void ToneLevelDlgTest::typedValueSurvivesHover() {
  Fixture f(0, 0);
  test::TypeInto(f.page->Edit(2), QStringLiteral("99"));
  for (int k = 0; k < CToneLevelDlg::kColumns; ++k) test::Hover(f.page->Slider(k));
  QTest::qWait(50);
  QCOMPARE(f.page->Edit(2)->text(), QStringLiteral("99"));
  f.page->StoreToImage();
  QCOMPARE(f.page->Value(2), 99);
}

QTEST_MAIN(ToneLevelDlgTest)
#include "ToneLevelDlgTest.moc"
