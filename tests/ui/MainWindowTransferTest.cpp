#include <signal.h>

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QtTest>

#include "core/CalibrationFile.h"
#include "core/ImageLayout.h"
#include "core/TextCodec.h"
#include "res/ResourceIds.h"
#include "sim/ComPortRig.h"
#include "sim/FactoryAlignment.h"
#include "tests/ui/MainWindowFixture.h"
#include "tests/ui/UiTestSupport.h"
#include "transfer/DataFolder.h"
#include "transfer/StopSignals.h"

using namespace velmora;
using test::MainWindow;
using Dlg = CAlignMainDlg;
using Kind = sim::RequestRecord::Kind;

namespace {

constexpr int kRxLowId = res::band_page::kRxLow, kRxHighId = res::band_page::kRxHigh,
              kTxLowId = res::band_page::kTxLow, kTxHighId = res::band_page::kTxHigh;

// The radio address of region i as the default image names it.
std::uint16_t RegionAddress(std::size_t i) {
  CalibrationImage image;
  image.LoadDefaults();
  const RadioRegion region = image.region(i);
  return static_cast<std::uint16_t>(region.addrHi << 8 | region.addrLo);
}

std::vector<std::uint8_t> RegionData(CalibrationImage& image, std::size_t i) {
  const auto data = image.region(i).data;
  return {data.begin(), data.end()};
}

// The radio's byte behind an image offset inside one of the four regions.
std::uint16_t RadioAddressOf(std::size_t offset) {
  const std::size_t i = (offset - layout::kFirstRegion) / layout::kRegionSize;
  const std::size_t inData = offset - layout::RegionOffset(i) - 2;
  return static_cast<std::uint16_t>(RegionAddress(i) + inData);
}

}  // namespace

class MainWindowTransferTest : public QObject {
  Q_OBJECT

 private slots:
  void readFillsEveryPage_data();
  void readFillsEveryPage();
  void writePutsExactlyTheEditsIntoTheRadio();
  void noRadioTellsTheUserInABox();
  void aWindowGoingAwayFreesTheJobItAsks_data();
  void aWindowGoingAwayFreesTheJobItAsks();
  void commandsAreRefusedWhileAJobRuns();
  void fileChoosersHoldLiveTuningBack_data();
  void fileChoosersHoldLiveTuningBack();
  void cancelEndsASilentScan();
  void endOfSessionCancelsAndRescuesEdits_data();
  void endOfSessionCancelsAndRescuesEdits();
  void initTestCase();

 private:
  QTemporaryDir m_dataHome;
};

// Backups of the window's writes go to a data folder of the test's own.
void MainWindowTransferTest::initTestCase() {
  QVERIFY(m_dataHome.isValid());
  qputenv("XDG_DATA_HOME", m_dataHome.path().toUtf8());
}

void MainWindowTransferTest::readFillsEveryPage_data() {
  QTest::addColumn<int>("port");
  QTest::addColumn<QString>("shown");
  QTest::newRow("COM5") << 5 << "COM5";
  QTest::newRow("COM9 has no entry") << 9 << "";
}

void MainWindowTransferTest::readFillsEveryPage() {
  QFETCH(int, port);
  QFETCH(QString, shown);
  sim::ComPortRig rig;
  auto& radio = rig.AddRadio(port);
  radio.SetMemory(sim::FactoryAlignment::Make());
  MainWindow w;
  w.RunJob(res::main_window::kRead);
  QCOMPARE(w.presenter.texts(), std::vector<std::string>{"成功!"});

  CalibrationImage& image = w.dlg->image();
  QCOMPARE(image.portNumber(), port);
  for (std::size_t i = 0; i < layout::kRegionCount; ++i) {
    QCOMPARE(RegionData(image, i), radio.ReadMemory(RegionAddress(i), layout::kRegionDataSize));
  }
  QCOMPARE(w.Combo(res::main_window::kPort)->currentText(), shown);
  QCOMPARE(w.Edit(res::main_window::kPowerOnText1)->text(), QString("VELMORA"));
  QCOMPARE(w.Edit(res::main_window::kPowerOnText2)->text(), QString("FACTORY"));
  const int plans[2][6] = {{136, 3, 136, 174, 144, 148}, {400, 5, 400, 480, 430, 440}};
  for (int band = 0; band < 2; ++band) {
    const int* plan = plans[band];
    QCOMPARE(w.Band(band)->base(), plan[0]);
    QCOMPARE(w.Band(band)->baseSlider()->value(), plan[0]);
    QCOMPARE(w.Band(band)->step(), plan[1]);
    const int limitIds[] = {kRxLowId, kRxHighId, kTxLowId, kTxHighId};
    for (int k = 0; k < 4; ++k) {
      QCOMPARE(w.BandEdit(band, limitIds[k])->text(), QString::number(plan[2 + k]));
    }
    for (int table = 0; table < 4; ++table) {
      for (int point = 0; point < 16; ++point) {
        const int expected = image.Level(PointRef::From(band, table, point).value());
        QCOMPARE(w.Level(band, table)->Slider(point)->value(), expected);
        QCOMPARE(w.Level(band, table)->Edit(point)->text(), QString::number(expected));
      }
    }
  }
}

// After a read the window mirrors the radio; a write then changes the slider's byte and the
// limit's two BCD bytes, and every other byte of the radio's 8 KiB stays as it was.
void MainWindowTransferTest::writePutsExactlyTheEditsIntoTheRadio() {
  sim::ComPortRig rig;
  auto& radio = rig.AddRadio(1);
  radio.SetMemory(sim::FactoryAlignment::Make());
  MainWindow w;
  w.RunJob(res::main_window::kRead);
  const sim::RadioMemory before = radio.memory();

  const int table = 0, point = 3;
  QSlider* slider = w.Level(0, table)->Slider(point);
  const int level = slider->value() + 9;
  test::ReleaseSliderAt(slider, level);
  QTRY_COMPARE_WITH_TIMEOUT(radio.liveCommands().size(), std::size_t{1}, 10000);
  w.WaitUntilIdle();
  QCOMPARE(radio.memory(), before);  // a live tune changes no memory

  test::TypeInto(w.BandEdit(1, kTxLowId), "431");
  radio.ClearRecords();
  w.RunJob(res::main_window::kWrite);
  QCOMPARE(w.presenter.texts(), (std::vector<std::string>{"成功!", "成功!"}));
  QCOMPARE(radio.CountOf(Kind::WriteBlock), std::size_t{14});
  const std::string backup = w.dlg->job().BackupPath();
  QVERIFY(QString::fromStdString(backup).startsWith(m_dataHome.path()));
  QCOMPARE(w.presenter.details().back(), "备份: " + backup);
  QCOMPARE(QFileInfo(QString::fromStdString(backup)).size(), qint64{308});

  sim::RadioMemory expected = before;
  expected[RadioAddressOf(layout::LevelTableOffset(0, table, point))] =
      static_cast<std::uint8_t>(level);
  expected[RadioAddressOf(layout::kTxLowB)] = 0x04;
  expected[RadioAddressOf(layout::kTxLowB + 1)] = 0x31;
  // The 14th block carries the live block, which the factory memory left erased.
  CalibrationImage& image = w.dlg->image();
  const auto live = image.liveBlock();
  const std::uint16_t liveAddress = static_cast<std::uint16_t>(live.addrHi << 8 | live.addrLo);
  for (std::size_t j = 0; j < live.data.size(); ++j) {
    expected[(liveAddress + j) & sim::kAddressMask] = live.data[j];
  }
  const sim::RadioMemory after = radio.memory();
  for (std::size_t a = 0; a < after.size(); ++a) {
    QVERIFY2(after[a] == expected[a], qPrintable(QString("radio address 0x%1: %2, expected %3")
                                                     .arg(a, 4, 16, QChar('0'))
                                                     .arg(after[a])
                                                     .arg(expected[a])));
  }
}

// With the window's own presenter: the outcome is a modal box captioned with the program's
// title, and the worker waits until it is closed.
void MainWindowTransferTest::noRadioTellsTheUserInABox() {
  sim::ComPortRig rig;
  MainWindowServices services;
  services.portFactory = test::MakeScaledPort;
  CAlignMainDlg window(nullptr, services);
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QString text, title, detail;
  bool buttonsDisabledMeanwhile = false;
  test::WhenModal<QMessageBox>([&](QMessageBox* box) {
    text = box->text();
    detail = box->informativeText();
    title = box->windowTitle();
    buttonsDisabledMeanwhile =
        !qobject_cast<QPushButton*>(window.Control(res::main_window::kRead))->isEnabled();
    box->button(QMessageBox::Ok)->click();
  });
  const CalibrationImage::Bytes before = window.image().ToBytes();
  QTest::mouseClick(qobject_cast<QPushButton*>(window.Control(res::main_window::kRead)),
                    Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(window.gate().IsOpen() && !text.isEmpty(), 20000);
  QTRY_VERIFY(qobject_cast<QPushButton*>(window.Control(res::main_window::kRead))->isEnabled());
  QCOMPARE(text, QString("连接对讲机失败!"));
  QCOMPARE(detail, QString("COM9 = (no device): missing (no such device)"));  // the last tried
  QCOMPARE(title, QString("Velmora"));
  QVERIFY(buttonsDisabledMeanwhile);
  QVERIFY(window.image().ToBytes() == before);
}

// The window is destroyed while a read's outcome is still open, in the window's own box or held
// by a presenter: the read's worker goes on, so the destruction ends, and nothing crashes.
void MainWindowTransferTest::aWindowGoingAwayFreesTheJobItAsks_data() {
  QTest::addColumn<bool>("ownBox");
  QTest::newRow("the window's own box") << true;
  QTest::newRow("a presenter holding the reply") << false;
}

void MainWindowTransferTest::aWindowGoingAwayFreesTheJobItAsks() {
  QFETCH(bool, ownBox);
  sim::ComPortRig rig;
  test::RecordingPresenter held(/*holdUntilReleased=*/true);
  MainWindowServices services;
  services.portFactory = test::MakeScaledPort;
  if (!ownBox) services.presenter = &held;
  auto window = std::make_unique<CAlignMainDlg>(nullptr, services);
  window->show();
  QVERIFY(QTest::qWaitForWindowExposed(window.get()));
  QTest::mouseClick(qobject_cast<QPushButton*>(window->Control(res::main_window::kRead)),
                    Qt::LeftButton);
  const auto asked = [&] {
    return ownBox ? qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr
                  : !held.texts().empty();
  };
  QTRY_VERIFY_WITH_TIMEOUT(asked(), 20000);
  QVERIFY(window->job().IsRunning());
  window.reset();  // waits for the worker: hangs unless the open question is answered
  QVERIFY(!QApplication::activeModalWidget());
}

// While a read waits on its outcome box: Read, Write, Save and Open are disabled and refused,
// the window will not close, and a live tune waits until the read has ended.
void MainWindowTransferTest::commandsAreRefusedWhileAJobRuns() {
  sim::ComPortRig rig;
  auto& radio = rig.AddRadio(1);
  MainWindow w(/*holdMessages=*/true);
  QTest::mouseClick(w.Button(res::main_window::kRead), Qt::LeftButton);
  QTRY_COMPARE_WITH_TIMEOUT(w.presenter.texts().size(), std::size_t{1}, 10000);
  QVERIFY(!w.ButtonsEnabled());
  QVERIFY(!w.dlg->gate().IsOpen());

  const std::size_t handshakes = radio.CountOf(Kind::Handshake);
  w.dlg->OnRead();
  w.dlg->OnWrite();
  w.dlg->OnSave();
  w.dlg->OnOpen();
  QCOMPARE(w.script.saveChooserCalls, 0);
  QCOMPARE(w.script.openChooserCalls, 0);
  w.dlg->close();
  QTest::keyClick(w.dlg.get(), Qt::Key_Escape);
  QVERIFY(w.dlg->isVisible());
  QCOMPARE(w.script.notices, QStringList(2, QString::fromUtf8(CAlignMainDlg::kCloseRefusedText)));

  test::ReleaseSliderAt(w.Level(1, 2)->Slider(7), 40);
  QTest::qWait(1000);  // two and a half live-request periods
  QCOMPARE(radio.CountOf(Kind::Handshake), handshakes);
  QVERIFY(radio.liveCommands().empty());

  w.presenter.Release();
  QTRY_COMPARE_WITH_TIMEOUT(radio.liveCommands().size(), std::size_t{1}, 10000);
  w.WaitUntilIdle();
  QCOMPARE(radio.CountOf(Kind::WriteBlock), std::size_t{0});
  const auto requests = radio.requests();
  QCOMPARE(requests.back().kind, Kind::LiveCommand);  // after the read's last block
  QCOMPARE(radio.CountOf(Kind::ReadBlock), std::size_t{4});
  w.dlg->close();
  QVERIFY(!w.dlg->isVisible());
}

void MainWindowTransferTest::fileChoosersHoldLiveTuningBack_data() {
  QTest::addColumn<bool>("save");
  QTest::newRow("save") << true;
  QTest::newRow("open") << false;
}

// A live request armed just before Save or Open does not start while the chooser is up: no job
// marks busy in a saved file or sends while a file replaces the image. After a Save it goes out;
// after an Open it is dropped, as the pages now show the file's values.
void MainWindowTransferTest::fileChoosersHoldLiveTuningBack() {
  QFETCH(bool, save);
  QTemporaryDir dir;
  const QString path = dir.filePath("during.dat");
  CalibrationImage defaults;
  defaults.LoadDefaults();
  const auto bytes = defaults.ToBytes();
  if (!save) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
  }
  // No radio: a live job fails to connect and then waits on its held outcome, busy still set.
  MainWindow w(/*holdMessages=*/true);
  bool jobRanWhileChoosing = true;
  w.script.whileChoosing = [&] {
    QTest::qWait(700);
    jobRanWhileChoosing = w.Band(0)->job().IsRunning() || !w.presenter.texts().empty();
  };
  (save ? w.script.savePaths : w.script.openPaths) << path;
  test::ReleaseSliderAt(w.Level(0, 0)->Slider(2), 40);
  QVERIFY(w.Level(0, 0)->IsLiveRequestArmed());
  save ? w.dlg->OnSave() : w.dlg->OnOpen();
  QVERIFY(!jobRanWhileChoosing);
  if (save) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(int{file.readAll().at(layout::kBusy)}, 0);
    QTRY_VERIFY_WITH_TIMEOUT(!w.presenter.texts().empty(), 10000);
  } else {
    QTest::qWait(900);
    QVERIFY(w.presenter.texts().empty());
    QVERIFY(!w.Band(0)->job().IsRunning());
  }
}

// 取消 under the controls ends a scan of silent ports long before the scan would have.
void MainWindowTransferTest::cancelEndsASilentScan() {
  sim::ComPortRig rig;
  for (int port = 1; port <= 9; ++port) rig.AddSilentTerminal(port);
  MainWindow w;
  QVERIFY(!w.dlg->cancelButton()->isVisible());
  QElapsedTimer timer;
  timer.start();
  QTest::mouseClick(w.Button(res::main_window::kRead), Qt::LeftButton);
  QTRY_COMPARE(w.dlg->transferStatus()->text(), QString("正在连接 COM2…"));
  QVERIFY(w.dlg->transferProgress()->isVisible());
  QVERIFY(w.dlg->cancelButton()->isVisible());
  QTest::mouseClick(w.dlg->cancelButton(), Qt::LeftButton);
  w.WaitUntilIdle();
  QVERIFY2(timer.elapsed() < 3000, "the whole scan takes over 4 s at this timing");
  QCOMPARE(w.presenter.texts(), std::vector<std::string>{"已取消"});
  QVERIFY(!w.dlg->cancelButton()->isVisible());
  QVERIFY(!w.dlg->transferProgress()->isVisible());
}

void MainWindowTransferTest::endOfSessionCancelsAndRescuesEdits_data() {
  QTest::addColumn<int>("signal");
  QTest::newRow("SIGTERM") << SIGTERM;
  QTest::newRow("SIGHUP") << SIGHUP;
}

// A logout while a scan runs: the job ends at its next pause, the edit that is in no file is
// kept in the rescue folder, and the window closes without asking to save.
void MainWindowTransferTest::endOfSessionCancelsAndRescuesEdits() {
  QFETCH(int, signal);
  sim::ComPortRig rig;
  for (int port = 1; port <= 9; ++port) rig.AddSilentTerminal(port);
  const QDir rescue(DataFolder::Location("rescue"));
  const QStringList earlier = rescue.entryList(QDir::Files);
  MainWindow w;
  const StopSignals stop([&w](int) { w.dlg->OnEndSession(); });
  QTest::keyClicks(w.Edit(res::main_window::kPowerOnText1), "LOGOUT1");
  QTest::mouseClick(w.Button(res::main_window::kRead), Qt::LeftButton);
  QTRY_COMPARE(w.dlg->transferStatus()->text(), QString("正在连接 COM2…"));
  ::raise(signal);
  QTRY_VERIFY_WITH_TIMEOUT(!w.dlg->isVisible(), 5000);
  QVERIFY(w.dlg->gate().IsOpen());
  QCOMPARE(w.presenter.texts(), std::vector<std::string>{"已取消"});
  QCOMPARE(w.script.saveChangesQuestions, 0);
  QStringList kept = rescue.entryList(QDir::Files);
  for (const QString& name : earlier) kept.removeOne(name);
  QCOMPARE(kept.size(), 1);
  CalibrationImage image;
  QVERIFY(CalibrationFile::LoadFromFile(image, rescue.filePath(kept[0]).toStdString(), {}).ok());
  QCOMPARE(TextFieldToString(image.powerOnText1()), std::string("LOGOUT1"));
}

QTEST_MAIN(MainWindowTransferTest)
#include "MainWindowTransferTest.moc"
