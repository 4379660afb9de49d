#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include "core/LiveCommandComposer.h"
#include "res/ResourceIds.h"
#include "sim/ComPortRig.h"
#include "tests/support/TestPorts.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/controls/CStyledTabCtrl.h"
#include "ui/pages/CBandPageDlg.h"
#include "ui/pages/CLevelTableDlg.h"

using namespace velmora;

namespace {

constexpr int kBaseEdit = res::band_page::kBase, kStepEdit = res::band_page::kStep,
              kRxLowEdit = res::band_page::kRxLow, kRxHighEdit = res::band_page::kRxHigh,
              kTxHighEdit = res::band_page::kTxHigh;

// A band page hosted as the main window hosts it, on its own image.
struct Host {
  explicit Host(int band, const std::function<void(CalibrationImage&)>& prepare = {}) {
    image.LoadDefaults();
    if (prepare) prepare(image);
    window.resize(1400, 1000);
    tab = new CStyledTabCtrl(&window);
    tab->resize(1380, 980);
    page = new CBandPageDlg;
    page->SetContext(&image, band);
    page->job().SetPortFactory(test::MakeScaledPort);
    page->Create(tab);
    tab->AddPage(page, band == 0 ? "A段接收" : "B段接收", 0);
  }
  bool Show() {
    window.show();
    return QTest::qWaitForWindowExposed(&window);
  }
  QLineEdit* Edit(int id) const { return page->ControlAs<QLineEdit>(id); }
  void Type(int id, const QString& text) {
    Edit(id)->selectAll();
    QTest::keyClicks(Edit(id), text);
  }
  std::pair<int, int> Bytes(std::size_t offset) const {
    return {image.At(offset), image.At(offset + 1)};
  }

  CalibrationImage image;
  QWidget window;
  CStyledTabCtrl* tab;
  CBandPageDlg* page;
};

int GreenPixels(QWidget* label) {
  const QImage shot = label->grab().toImage();
  int count = 0;
  for (int y = 0; y < shot.height(); ++y) {
    for (int x = 0; x < shot.width(); ++x) {
      const QColor c = shot.pixelColor(x, y);
      count += c.green() > 200 && c.red() < 80 && c.blue() < 80;
    }
  }
  return count;
}

}  // namespace

class BandPageDlgTest : public QObject {
  Q_OBJECT

 private slots:
  void labelsNameThePointFrequencies_data() {
    QTest::addColumn<int>("band");
    QTest::addColumn<QString>("row");
    QTest::addColumn<QStringList>("left");
    QTest::addColumn<QStringList>("right");
    QTest::newRow("band A") << 0 << "136M 142M 148M 154M 160M 166M 172M 178M "
                            << QStringList{"136M", "142M", "148M", "154M",
                                           "160M", "166M", "172M", "178M"}
                            << QStringList{"139M", "145M", "151M", "157M",
                                           "163M", "169M", "175M", "181M"};
    QTest::newRow("band B") << 1 << "400M 410M 420M 430M 440M 450M 460M 470M "
                            << QStringList{"400M", "410M", "420M", "430M",
                                           "440M", "450M", "460M", "470M"}
                            << QStringList{"405M", "415M", "425M", "435M",
                                           "445M", "455M", "465M", "475M"};
  }
  void labelsNameThePointFrequencies() {
    QFETCH(int, band);
    QFETCH(QString, row);
    QFETCH(QStringList, left);
    QFETCH(QStringList, right);
    Host host(band);
    QVERIFY(host.Show());
    QCOMPARE(host.page->RowText(), row);
    QCOMPARE(host.page->ColumnTexts(host.page->base()), left);
    QCOMPARE(host.page->ColumnTexts(host.page->base() + host.page->step()), right);
    // Drawn in green into the two visible strips; the row label stays hidden.
    QVERIFY(GreenPixels(host.page->ControlAs<QLabel>(res::band_page::kLeftLabels)) > 50);
    QVERIFY(GreenPixels(host.page->ControlAs<QLabel>(res::band_page::kRightLabels)) > 50);
    QVERIFY(!host.page->ControlAs<QLabel>(res::band_page::kRowLabel)->isVisible());
    // Every text is whole: inside its strip, and no wider than the strip.
    for (QLabel* strip : {host.page->leftLabels(), host.page->rightLabels()}) {
      const QFontMetrics metrics(host.page->LabelFont(strip));
      for (const auto& [line, text] : host.page->LabelLines(strip)) {
        QVERIFY2(strip->rect().contains(line), qPrintable(text));
        QVERIFY2(metrics.horizontalAdvance(text) <= line.width(), qPrintable(text));
      }
    }
  }

  void anErasedBandLoadsZeroThenTakesTheSliderMinimum() {
    Host host(1, [](CalibrationImage& image) {
      image.SetAt(layout::kBandBaseB, 0xFF);
      image.SetAt(layout::kBandBaseB + 1, 0xFF);
      image.SetAt(layout::kBandStepB, 0xFF);
    });
    QCOMPARE(host.Edit(kBaseEdit)->text(), QString("0"));  // as decoded, before any paint
    QCOMPARE(host.Edit(kStepEdit)->text(), QString("0"));
    QCOMPARE(host.Bytes(layout::kBandBaseB), std::make_pair(0xFF, 0xFF));
    QVERIFY(host.Show());
    QTRY_COMPARE(host.Edit(kBaseEdit)->text(), QString("100"));
    QTRY_COMPARE(host.Edit(kStepEdit)->text(), QString("1"));
    QCOMPARE(host.Bytes(layout::kBandBaseB), std::make_pair(0x01, 0x00));
    QCOMPARE(int(host.image.At(layout::kBandStepB)), 0x01);
  }

  void theBaseSliderWritesAtOnceAndTypedLimitsSurvive() {
    Host host(0);
    QVERIFY(host.Show());
    host.Type(kRxLowEdit, "150");
    test::ReleaseSliderAt(host.page->baseSlider(), 200);
    QTRY_COMPARE(host.Edit(kBaseEdit)->text(), QString("200"));
    QCOMPARE(host.Bytes(layout::kBandBaseA), std::make_pair(0x02, 0x00));  // without a store
    QCOMPARE(host.Edit(kRxLowEdit)->text(), QString("150"));
    QCOMPARE(host.Bytes(layout::kRxLowA), std::make_pair(0x01, 0x36));  // limits wait for a store
    QVERIFY(host.page->RowText().startsWith("200M 206M"));
    test::ReleaseSliderAt(host.page->stepSlider(), 7);
    QTRY_COMPARE(int(host.image.At(layout::kBandStepA)), 0x07);
  }

  void storeValidatesTheLimits() {
    test::PromptRecorder prompts;
    Host host(0);
    QVERIFY(host.Show());
    host.Type(kRxLowEdit, "170");  // above the high limit: not compared, stored as typed
    host.Type(kRxHighEdit, "160");
    host.page->StoreToImage();
    QVERIFY(prompts.prompts.isEmpty());
    QCOMPARE(host.Bytes(layout::kRxLowA), std::make_pair(0x01, 0x70));
    QCOMPARE(host.Bytes(layout::kRxHighA), std::make_pair(0x01, 0x60));

    host.Type(kRxLowEdit, "601");
    host.Type(kTxHighEdit, "300");
    host.page->StoreToImage();
    // The first refusal prompts; the number read is stored as read, and later boxes store what
    // they show.
    QCOMPARE(prompts.prompts.size(), 1);
    QCOMPARE(host.Bytes(layout::kRxLowA), std::make_pair(0x06, 0x01));
    QCOMPARE(host.Bytes(layout::kTxHighA), std::make_pair(0x03, 0x00));
    QCOMPARE(host.window.focusWidget(), host.Edit(kRxLowEdit));  // the prompt's box has closed
  }

  void liveOutcomesMoveTheBar_data() {
    QTest::addColumn<int>("operation");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("bar");
    using R = TransferOutcome::Result;
    QTest::newRow("read done is not for this page") << 2 << int(R::Success) << 7;
    QTest::newRow("write is not for this page") << 3 << int(R::Success) << 7;
    QTest::newRow("sent") << 4 << int(R::Success) << 100;
    QTest::newRow("failed") << 4 << int(R::Failed) << 50;
    QTest::newRow("no radio: the job told the user") << 4 << int(R::NoRadio) << 7;
  }
  void liveOutcomesMoveTheBar() {
    QFETCH(int, operation);
    QFETCH(int, result);
    QFETCH(int, bar);
    Host host(0);
    host.page->progress()->setValue(7);
    host.page->job().reports().PostFinished(operation,
                                            test::Outcome(TransferOutcome::Result(result)));
    QCoreApplication::sendPostedEvents(&host.page->job().reports());
    QCOMPARE(host.page->progress()->value(), bar);
    QVERIFY(!host.page->job().IsRunning());
  }

  void aReleasedSliderTunesTheRadioLive_data() {
    QTest::addColumn<int>("reply");
    QTest::addColumn<int>("bar");
    QTest::newRow("acknowledged") << int(sim::LiveReply::Normal) << 100;
    QTest::newRow("not acknowledged") << int(sim::LiveReply::AckInstead) << 50;
  }
  void aReleasedSliderTunesTheRadioLive() {
    QFETCH(int, reply);
    QFETCH(int, bar);
    sim::ComPortRig rig;
    auto& radio = rig.AddRadio(1);
    sim::RadioFaults faults;
    faults.liveReply = static_cast<sim::LiveReply>(reply);
    radio.SetFaults(faults);
    Host host(0);
    QVERIFY(host.Show());
    CStyledTabCtrl* levels = host.page->levelTab();
    QTest::mouseClick(levels, Qt::LeftButton, {}, levels->tabRect(1).center());
    QTRY_VERIFY(host.page->levelPage(1)->isVisible());
    test::ReleaseSliderAt(host.page->levelPage(1)->Slider(15), 64);
    QTRY_COMPARE_WITH_TIMEOUT(host.page->progress()->value(), bar, 15000);
    const auto live = radio.liveCommands();
    QVERIFY(!live.empty());
    const std::array<std::uint8_t, 10> expected = {0xA6, 0x69, 0x80, 0x06, 0x01,
                                                   0x81, 0x13, 0x80, 0x0D, 0x40};
    QCOMPARE(live.back().bytes, expected);
    QTRY_VERIFY(!host.page->job().IsRunning());
  }

  // A second request while the page's live job runs, or while another transfer holds the gate,
  // waits for it instead of sharing the port.
  void requestsWaitForTheRunningTransfer() {
    sim::ComPortRig rig;
    auto& radio = rig.AddRadio(1);
    sim::RadioFaults faults;
    faults.liveReply = sim::LiveReply::Silent;
    radio.SetFaults(faults);
    Host host(0);
    LiveCommandComposer::ComposeLevel(host.image, {Band::A, 0, 1}, 99);
    TransferGate gate;
    host.page->SetTransferGate(&gate);
    QVERIFY(gate.TryEnter());  // a read or write of the window runs
    host.page->StartLiveTune();
    QVERIFY(host.page->IsLiveTuneDeferred());
    QVERIFY(!host.page->job().IsRunning());
    gate.Leave();
    QTRY_VERIFY(host.page->job().IsRunning());
    host.page->StartLiveTune();
    QVERIFY(host.page->IsLiveTuneDeferred());
    QTRY_COMPARE_WITH_TIMEOUT(radio.liveCommands().size(), 14u, 20000);  // 7 sends each, in turn
    QTRY_VERIFY(!host.page->job().IsRunning() && gate.IsOpen());
    QVERIFY(!host.page->IsLiveTuneDeferred());
    QCOMPARE(host.page->progress()->value(), 50);
    const auto requests = radio.requests();
    std::size_t handshakes = 0;
    for (const auto& r : requests) handshakes += r.kind == sim::RequestRecord::Kind::Handshake;
    QCOMPARE(handshakes, 4u);  // connect and recovery, for each of the two jobs
  }

  // Releases on two tables less than 400 ms apart: each table's command reaches the radio once,
  // one transfer after the other.
  void releasesOnTwoTablesBothReachTheRadio() {
    sim::ComPortRig rig;
    auto& radio = rig.AddRadio(1);
    Host host(0);
    QVERIFY(host.Show());
    test::ReleaseSliderAt(host.page->levelPage(0)->Slider(2), 100);
    CStyledTabCtrl* levels = host.page->levelTab();
    QTest::mouseClick(levels, Qt::LeftButton, {}, levels->tabRect(1).center());
    QTRY_VERIFY(host.page->levelPage(1)->isVisible());
    test::ReleaseSliderAt(host.page->levelPage(1)->Slider(3), 50);
    QVERIFY(host.page->levelPage(0)->IsLiveRequestArmed());  // still inside its 400 ms
    QTRY_COMPARE_WITH_TIMEOUT(radio.liveCommands().size(), 2u, 20000);
    QTRY_VERIFY(!host.page->job().IsRunning() && !host.page->IsLiveTuneDeferred());
    QTest::qWait(500);
    const auto live = radio.liveCommands();
    QCOMPARE(live.size(), 2u);
    const std::array<std::uint8_t, 10> high = {0xA6, 0x69, 0x80, 0x06, 0x01,
                                               0x42, 0xFF, 0xFF, 100,  0x00};
    const std::array<std::uint8_t, 10> middle = {0xA6, 0x69, 0x80, 0x06, 0x01,
                                                 0x45, 0x13, 0x80, 0x0D, 50};
    QCOMPARE(live[0].bytes, high);
    QCOMPARE(live[1].bytes, middle);
  }

  // Scrolling across the page changes no frequency; the wheel moves a focused slider only.
  void alignButtonsAskForTheirTables();
  void wheelMovesOnlyAFocusedFrequencySlider() {
    Host host(0);
    QVERIFY(host.Show());
    host.Edit(kRxLowEdit)->setFocus();
    const auto base = host.Bytes(layout::kBandBaseA);
    const int step = host.image.At(layout::kBandStepA);
    test::Wheel(host.page->baseSlider(), 1);
    test::Wheel(host.page->stepSlider(), 1);
    QTest::qWait(50);
    QCOMPARE(host.Bytes(layout::kBandBaseA), base);
    QCOMPARE(int{host.image.At(layout::kBandStepA)}, step);
    QCOMPARE(host.page->base(), 136);
    host.page->stepSlider()->setFocus();
    QTRY_VERIFY(host.page->stepSlider()->hasFocus());
    test::Wheel(host.page->stepSlider(), 1);
    QTRY_VERIFY(host.page->step() > 3);
    const int moved = host.page->step();
    QCOMPARE(int{host.image.At(layout::kBandStepA)}, moved / 10 * 16 + moved % 10);
  }
};

// "自动校准" asks for the transmit table shown and rests on the receive tuning, "整段自动校准"
// asks for all three; both rest while a transfer holds the gate. A level shown for a try moves
// slider and box but arms no live tune.
void BandPageDlgTest::alignButtonsAskForTheirTables() {
  Host host(1);
  TransferGate gate;
  host.page->SetTransferGate(&gate);
  QVERIFY(host.Show());
  QList<QList<int>> asked;
  connect(host.page, &CBandPageDlg::AlignRequested, this, [&](int band, const QList<int>& tables) {
    QCOMPARE(band, 1);
    asked << tables;
  });
  QPushButton* table = host.page->alignTableButton();
  QPushButton* band = host.page->alignBandButton();
  const std::pair<int, bool> shown[] = {{2, true}, {3, false}, {1, true}};
  for (const auto& [tab, enabled] : shown) {
    QTest::mouseClick(host.page->levelTab(), Qt::LeftButton, {},
                      host.page->levelTab()->tabRect(tab).center());
    QCOMPARE(table->isEnabled(), enabled);
    QTest::mouseClick(table, Qt::LeftButton);
  }
  QTest::mouseClick(band, Qt::LeftButton);
  QCOMPARE(asked, (QList<QList<int>>{{2}, {1}, {0, 1, 2}}));
  QVERIFY(gate.TryEnter());
  QVERIFY(!table->isEnabled() && !band->isEnabled());
  gate.Leave();
  QVERIFY(table->isEnabled() && band->isEnabled());

  host.page->ShowLevel(1, 7, 201);
  QCOMPARE(host.page->levelPage(1)->Slider(7)->value(), 201);
  QCOMPARE(host.page->levelPage(1)->Edit(7)->text(), QString("201"));
  QVERIFY(!host.page->levelPage(1)->IsLiveRequestArmed());
  host.page->StoreToImage();
  QCOMPARE(int(host.image.Level({Band::B, 1, 7})), 201);
}

QTEST_MAIN(BandPageDlgTest)
#include "BandPageDlgTest.moc"
