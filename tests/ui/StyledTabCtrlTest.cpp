#include <QApplication>
#include <QCursor>
#include <QImage>
#include <QWheelEvent>
#include <QtTest>

#include "ui/controls/CStyledTabCtrl.h"

using namespace velmora;

namespace {

const QColor kGreen(0x00, 0xFF, 0x02);
const QColor kMagenta(0xFF, 0x00, 0xFF);

// A window with a tab control holding three pages, shown.
struct Fixture {
  QWidget host;
  CStyledTabCtrl* tabs = new CStyledTabCtrl(&host);
  QWidget* pages[3];

  explicit Fixture(bool colours = true, bool hover = true) {
    // A cursor left over a tab by an earlier case would make that tab hovered at the first paint.
    QCursor::setPos(QPoint(2000, 2000));
    host.resize(520, 360);
    tabs->setGeometry(10, 10, 480, 300);
    const QString captions[3] = {QStringLiteral("高功率"), QStringLiteral("中功率"),
                                 QStringLiteral("低功率")};
    for (int i = 0; i < 3; ++i) {
      pages[i] = new QWidget(tabs);
      pages[i]->setGeometry(100, 100, 200, 100);
      tabs->AddPage(pages[i], captions[i], 0);
    }
    if (colours) tabs->SetSelectedTextColor(0x02FF00);
    if (hover) tabs->SetHoverTextColor(0xFF00FF);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
  }
  void MoveTo(int tab) { QTest::mouseMove(tabs, tabs->tabRect(tab).center()); }
  void MoveAway() { QTest::mouseMove(&host, QPoint(515, 355)); }
  QColor ButtonText() const { return tabs->palette().color(QPalette::ButtonText); }
  int CountPixels(int tab, const QColor& colour) {
    const QImage image = tabs->grab().toImage();
    const QRect rect = tabs->tabRect(tab);
    const double scale = image.width() / static_cast<double>(tabs->width());
    int n = 0;
    for (int y = static_cast<int>(rect.top() * scale); y < (rect.bottom() + 1) * scale; ++y) {
      for (int x = static_cast<int>(rect.left() * scale); x < (rect.right() + 1) * scale; ++x) {
        if (image.pixelColor(x, y).rgb() == colour.rgb()) ++n;
      }
    }
    return n;
  }
};

}  // namespace

class StyledTabCtrlTest : public QObject {
  Q_OBJECT

 private slots:
  void colourRefsConvertWithRedInTheLowByte();
  void userClicksSwitchPages();
  void pagesArePlacedAtTheOrigin();
  void onlyTheControlsOwnKeysSwitchPages();
  void selectedCaptionIsGreenWhetherHoveredOrNot();
  void hoveredCaptionIsMagentaAndMovesOnlyAfterTrackingEnds();
  void leavingClearsHoverAndStopsTheTimer();
  void withoutHoverColourTheTimerNeverRuns();
  void withoutSelectedColourTheSelectedCaptionUsesButtonText();
  void captionsAreCutAtSixtyTwoBytes_data();
  void captionsAreCutAtSixtyTwoBytes();
  void theSelectedTabPaintsNothingBelowTheStrip();
};

void StyledTabCtrlTest::colourRefsConvertWithRedInTheLowByte() {
  QCOMPARE(CStyledTabCtrl::FromColorRef(0x02FF00), kGreen);
  QCOMPARE(CStyledTabCtrl::FromColorRef(0xFF00FF), kMagenta);
  QCOMPARE(CStyledTabCtrl::FromColorRef(0x123456), QColor(0x56, 0x34, 0x12));
}

void StyledTabCtrlTest::userClicksSwitchPages() {
  Fixture f;
  QCOMPARE(f.tabs->currentIndex(), 0);
  QVERIFY(f.pages[0]->isVisible());
  QVERIFY(!f.pages[1]->isVisible());
  QVERIFY(!f.pages[2]->isVisible());
  QTest::mouseClick(f.tabs, Qt::LeftButton, {}, f.tabs->tabRect(2).center());
  QCOMPARE(f.tabs->currentIndex(), 2);
  QVERIFY(!f.pages[0]->isVisible());
  QVERIFY(f.pages[2]->isVisible());
  QTest::mouseClick(f.tabs, Qt::LeftButton, {}, f.tabs->tabRect(1).center());
  QVERIFY(!f.pages[2]->isVisible());
  QVERIFY(f.pages[1]->isVisible());
  QVERIFY(!f.pages[0]->isVisible());
  // A selection set by the program, without the notifications, does not switch pages.
  f.tabs->setCurrentIndex(0);
  QVERIFY(f.pages[1]->isVisible());
  QVERIFY(!f.pages[0]->isVisible());
}

void StyledTabCtrlTest::onlyTheControlsOwnKeysSwitchPages() {
  Fixture f;
  f.pages[0]->setFocusPolicy(Qt::StrongFocus);
  f.pages[0]->setFocus();
  QTest::keyClick(f.pages[0], Qt::Key_Right);  // the page passes it on to the control
  QCOMPARE(f.tabs->currentIndex(), 0);
  const QPointF at = f.tabs->tabRect(0).center();
  QWheelEvent wheel(at, f.tabs->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(f.tabs, &wheel);
  QCOMPARE(f.tabs->currentIndex(), 0);
  QVERIFY(f.pages[0]->isVisible());
  f.tabs->setFocus();
  QTest::keyClick(f.tabs, Qt::Key_Right);  // the user's own selection change
  QCOMPARE(f.tabs->currentIndex(), 1);
  QVERIFY(!f.pages[0]->isVisible());
  QVERIFY(f.pages[1]->isVisible());
}

void StyledTabCtrlTest::pagesArePlacedAtTheOrigin() {
  Fixture f;
  for (QWidget* page : f.pages) {
    QCOMPARE(page->pos(), QPoint(4, 28));
    QCOMPARE(page->size(), QSize(200, 100));
    QCOMPARE(page->parentWidget(), static_cast<QWidget*>(f.tabs));
  }
  QCOMPARE(f.tabs->Page(1), f.pages[1]);
  QCOMPARE(f.tabs->PageCount(), 3);
}

void StyledTabCtrlTest::selectedCaptionIsGreenWhetherHoveredOrNot() {
  Fixture f;
  QCOMPARE(f.tabs->CaptionColor(0), kGreen);
  f.MoveTo(0);
  QTRY_COMPARE(f.tabs->HoverIndex(), 0);
  QCOMPARE(f.tabs->CaptionColor(0), kGreen);
  QVERIFY(f.CountPixels(0, kGreen) > 0);
  QCOMPARE(f.CountPixels(0, kMagenta), 0);
}

void StyledTabCtrlTest::hoveredCaptionIsMagentaAndMovesOnlyAfterTrackingEnds() {
  Fixture f;
  QCOMPARE(f.tabs->CaptionColor(1), f.ButtonText());
  f.MoveTo(1);
  QTRY_COMPARE(f.tabs->HoverIndex(), 1);
  QVERIFY(f.tabs->IsHoverTimerActive());
  QCOMPARE(f.tabs->CaptionColor(1), kMagenta);
  QCOMPARE(f.tabs->CaptionColor(2), f.ButtonText());
  QVERIFY(f.CountPixels(1, kMagenta) > 0);
  QCOMPARE(f.CountPixels(2, kMagenta), 0);
  // Onto tab 2: the old caption is restored first; tab 2 is not hovered yet.
  f.MoveTo(2);
  QCOMPARE(f.tabs->HoverIndex(), -1);
  QCOMPARE(f.tabs->CaptionColor(1), f.ButtonText());
  QTRY_VERIFY(!f.tabs->IsTracking());  // the next tick ends tracking
  QVERIFY(!f.tabs->IsHoverTimerActive());
  QCOMPARE(f.tabs->HoverIndex(), -1);
  QTest::mouseMove(f.tabs, f.tabs->tabRect(2).center() + QPoint(1, 0));
  QTRY_COMPARE(f.tabs->HoverIndex(), 2);
  QCOMPARE(f.tabs->CaptionColor(2), kMagenta);
}

void StyledTabCtrlTest::leavingClearsHoverAndStopsTheTimer() {
  Fixture f;
  f.MoveTo(2);
  QTRY_COMPARE(f.tabs->HoverIndex(), 2);
  f.MoveAway();
  QTRY_VERIFY_WITH_TIMEOUT(!f.tabs->IsHoverTimerActive(), 500);
  QCOMPARE(f.tabs->HoverIndex(), -1);
  QVERIFY(!f.tabs->IsTracking());
  QCOMPARE(f.tabs->CaptionColor(2), f.ButtonText());
  QCOMPARE(f.CountPixels(2, kMagenta), 0);
}

void StyledTabCtrlTest::withoutHoverColourTheTimerNeverRuns() {
  Fixture f(true, false);
  for (int tab : {1, 2, 1}) {
    f.MoveTo(tab);
    QVERIFY(!f.tabs->IsHoverTimerActive());
    QVERIFY(!f.tabs->IsTracking());
    QCOMPARE(f.tabs->CaptionColor(tab), f.ButtonText());
  }
  QTest::qWait(30);
  QVERIFY(!f.tabs->IsHoverTimerActive());
  QCOMPARE(f.CountPixels(1, kMagenta), 0);
}

void StyledTabCtrlTest::withoutSelectedColourTheSelectedCaptionUsesButtonText() {
  Fixture f(false, true);
  QCOMPARE(f.tabs->CaptionColor(0), f.ButtonText());
  QCOMPARE(f.CountPixels(0, kGreen), 0);
}

void StyledTabCtrlTest::captionsAreCutAtSixtyTwoBytes_data() {
  QTest::addColumn<QString>("caption");
  QTest::addColumn<QString>("drawn");
  const QString zhong = QStringLiteral("中");
  QTest::newRow("short") << QStringLiteral("接收电调") << QStringLiteral("接收电调");
  QTest::newRow("70 ASCII") << QString(70, u'x') << QString(62, u'x');
  QTest::newRow("31 Chinese fit") << zhong.repeated(31) << zhong.repeated(31);
  QTest::newRow("32 Chinese") << zhong.repeated(32) << zhong.repeated(31);
  QTest::newRow("never inside a character")
      << (QStringLiteral("A") + zhong.repeated(31)) << (QStringLiteral("A") + zhong.repeated(30));
}

void StyledTabCtrlTest::captionsAreCutAtSixtyTwoBytes() {
  QFETCH(QString, caption);
  QFETCH(QString, drawn);
  QCOMPARE(CStyledTabCtrl::CutCaption(caption), drawn);
  CStyledTabCtrl tabs;
  QWidget* page = new QWidget(&tabs);
  tabs.AddPage(page, caption, 0);
  QCOMPARE(tabs.DrawnCaption(0), drawn);
  QCOMPARE(tabs.tabText(0), caption);
}

// Below the strip the pane looks the same under the selected tab as under the others.
void StyledTabCtrlTest::theSelectedTabPaintsNothingBelowTheStrip() {
  Fixture f;
  f.tabs->setFocus();
  QTRY_VERIFY(f.tabs->hasFocus());
  const QImage image = f.tabs->grab().toImage();
  const double scale = image.width() / static_cast<double>(f.tabs->width());
  const int below = static_cast<int>((f.tabs->tabRect(0).bottom() + 12) * scale);
  const QColor underSelected =
      image.pixelColor(int(f.tabs->tabRect(0).center().x() * scale), below);
  const QColor underOther = image.pixelColor(int(f.tabs->tabRect(2).center().x() * scale), below);
  QCOMPARE(underSelected, underOther);
}

QTEST_MAIN(StyledTabCtrlTest)
#include "StyledTabCtrlTest.moc"
