#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <limits>

#include "core/CodeTables.h"
#include "core/ImageLayout.h"
#include "core/TextCodec.h"
#include "res/StringTable.h"
#include "tests/ui/MainWindowFixture.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/CAboutDlg.h"
#include "ui/MainWindowSettings.h"

using namespace velmora;
using test::MainWindow;
using Dlg = CAlignMainDlg;

namespace {

QByteArray DefaultBytes() {
  CalibrationImage image;
  image.LoadDefaults();
  const auto bytes = image.ToBytes();
  return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

QByteArray ImageBytes(const CalibrationImage& image) {
  const auto bytes = image.ToBytes();
  return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QCOMPARE(file.write(bytes), bytes.size());
}

bool InRanges(int offset) {
  return (offset >= 54 && offset <= 69) || (offset >= 120 && offset <= 135) ||
         (offset >= 236 && offset <= 249);
}

QWidget* ActiveAbout() { return qobject_cast<CAboutDlg*>(QApplication::activeModalWidget()); }

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void startState();
  void portEntriesSayWhatIsBehindThem();
  void settingsConversion_data();
  void settingsConversion();
  void powerOnBoxesTakeSevenCharacters();
  void saveAtStartUpDiffersFromDefaultsOnlyWhereControlsStore();
  void saveAppliesTheDatRule_data();
  void saveAppliesTheDatRule();
  void saveAsksBeforeReplacingAFileTheNameGained();
  void saveCancelledChangesNothing();
  void saveErrorIsShownWithTheSystemsDescription();
  void openHundredBytesReplacesOnlyThose();
  void openEmptyFileChangesNoByteButRefreshes();
  void openFourHundredBytesUsesTheFirst308();
  void openUnreadableFileTellsTheUser();
  void openRefusesAFolderAtOnce();
  void aFilesBusyByteNeverReachesTheWindowOrAFile();
  void portOutsideTheListIsKeptUntilTheUserPicksOne_data();
  void portOutsideTheListIsKeptUntilTheUserPicksOne();
  void powerOnTextWithSlashComesBackWithDash();
  void transferDoneRefreshesOnlyAfterARead();
  void aboutBoxFromTheContextMenu_data();
  void aboutBoxFromTheContextMenu();
  void systemCommands_data();
  void systemCommands();
  void enterInAnEditBoxKeepsTheWindowOpen();
  void versionOption();
};

void MainWindowTest::startState() {
  MainWindow w;
  QCOMPARE(w.dlg->windowTitle(), QString("UV电调测试软件 - 未命名[*]"));
  QVERIFY(!w.dlg->isWindowModified());
  QVERIFY(!w.dlg->windowIcon().isNull());
  QComboBox* port = w.Combo(res::main_window::kPort);
  QCOMPARE(port->currentText(), QString("COM1"));
  QCOMPARE(port->count(), 8);
  QCOMPARE(port->itemText(7), QString("COM8"));
  for (int id : {res::main_window::kPowerOnText1, res::main_window::kPowerOnText2}) {
    QVERIFY(w.Edit(id)->text().isEmpty());
    QCOMPARE(w.Edit(id)->maxLength(), 7);
  }
  QComboBox* crystal = w.Combo(res::main_window::kCrystal);
  QComboBox* ifCombo = w.Combo(res::main_window::kIf);
  QCOMPARE(crystal->currentText(), QString("14400K"));
  QCOMPARE(ifCombo->currentText(), QString("29250K"));
  QVERIFY(crystal->isHidden());
  QVERIFY(ifCombo->isHidden());
  QCOMPARE(w.dlg->tabCtrl()->count(), 2);
  QCOMPARE(w.dlg->tabCtrl()->DrawnCaption(0), QString("A段接收"));
  QCOMPARE(w.dlg->tabCtrl()->DrawnCaption(1), QString("B段接收"));
  QCOMPARE(w.dlg->tabCtrl()->currentIndex(), 0);
  QVERIFY(w.Band(0)->isVisible());
  QVERIFY(!w.Band(1)->isVisible());
  const QStringList captions = {"读出(&R)", "写入(&W)", "保存(&S)", "打开(&O)"};
  const int ids[] = {res::main_window::kRead, res::main_window::kWrite, res::main_window::kSave,
                     res::main_window::kOpen};
  for (int i = 0; i < 4; ++i) {
    QCOMPARE(w.Button(ids[i])->text(), captions[i]);
    QVERIFY(w.Button(ids[i])->isVisible());
    QVERIFY(w.Button(ids[i])->isEnabled());
    QVERIFY(!w.Button(ids[i])->toolTip().isEmpty());
  }
  QCOMPARE(ImageBytes(w.dlg->image()), DefaultBytes());  // starting changes no byte
}

// A port entry's tooltip names what is behind it; a mapped port has no description, so its device.
void MainWindowTest::portEntriesSayWhatIsBehindThem() {
  qputenv("VELMORA_COM2", "/dev/velmora-test-port");
  MainWindow w;
  qunsetenv("VELMORA_COM2");
  QComboBox* port = w.Combo(res::main_window::kPort);
  QCOMPARE(port->itemData(1, Qt::ToolTipRole).toString(), QString("/dev/velmora-test-port"));
}

void MainWindowTest::settingsConversion_data() {
  QTest::addColumn<int>("port");
  QTest::addColumn<int>("portIndex");
  QTest::addColumn<int>("crystalIndex");  // of the code stored in the image
  QTest::addColumn<int>("ifIndex");
  QTest::addColumn<int>("storedPort");  // after ToImage
  QTest::newRow("COM5") << 5 << 4 << 0 << 3 << 5;
  QTest::newRow("COM9 selects nothing") << 9 << 8 << 2 << 7 << 9;
  QTest::newRow("port 0") << 0 << -1 << 3 << 0 << 0;
  QTest::newRow("bytes 00 00 00 80")
      << std::numeric_limits<int>::min() << -1 << 1 << 2 << std::numeric_limits<int>::min();
  QTest::newRow("bytes FF FF FF 7F")
      << std::numeric_limits<int>::max() << std::numeric_limits<int>::max() - 1 << 1 << 2
      << std::numeric_limits<int>::max();
}

// The conversion alone, without a window: combo indexes, code tables and the text codec.
void MainWindowTest::settingsConversion() {
  QFETCH(int, port);
  QFETCH(int, portIndex);
  QFETCH(int, crystalIndex);
  QFETCH(int, ifIndex);
  QFETCH(int, storedPort);
  CalibrationImage image;
  image.LoadDefaults();
  image.setPortNumber(port);
  const Code32 crystal = CrystalIndexToCode(crystalIndex);
  const Code32 ifCode = IfIndexToCode(ifIndex);
  std::copy(crystal.begin(), crystal.end(), image.crystalCode().begin());
  std::copy(ifCode.begin(), ifCode.end(), image.ifCode().begin());
  MainWindowSettings s = MainWindowSettings::FromImage(image);
  QCOMPARE(s.portIndex, portIndex);
  QCOMPARE(s.crystalIndex, crystalIndex);
  QCOMPARE(s.ifIndex, ifIndex);
  QCOMPARE(s.powerOnText1, QString());  // 0xFF bytes show as no text

  s.powerOnText1 = "AB/CD";
  s.powerOnText2 = "中A";
  s.ToImage(image);
  QCOMPARE(image.portNumber(), storedPort);
  const auto t1 = image.powerOnText1();
  const auto t2 = image.powerOnText2();
  QCOMPARE(QByteArray(reinterpret_cast<const char*>(t1.data()), 7), QByteArray("AB-CD  "));
  QCOMPARE(QByteArray(reinterpret_cast<const char*>(t2.data()), 7), QByteArray("       "));

  // No selection of a hidden combo stores its fallback code; no port keeps the port bytes.
  MainWindowSettings none;
  none.ToImage(image);
  QCOMPARE(image.portNumber(), storedPort);
  QVERIFY(std::equal(image.crystalCode().begin(), image.crystalCode().end(),
                     kCrystalTable[kCrystalFallback].bytes.begin()));
  QVERIFY(std::equal(image.ifCode().begin(), image.ifCode().end(),
                     kIfTable[kIfFallback].bytes.begin()));
}

void MainWindowTest::powerOnBoxesTakeSevenCharacters() {
  MainWindow w;
  test::TypeInto(w.Edit(res::main_window::kPowerOnText1), "ABCDEFGHIJ");
  QCOMPARE(w.Edit(res::main_window::kPowerOnText1)->text(), QString("ABCDEFG"));
}

void MainWindowTest::saveAtStartUpDiffersFromDefaultsOnlyWhereControlsStore() {
  QTemporaryDir dir;
  MainWindow w;
  w.script.savePaths << dir.filePath("cal");
  w.dlg->OnSave();
  const QByteArray saved = ReadFile(dir.filePath("cal.dat"));
  QCOMPARE(saved.size(), 308);
  const QByteArray defaults = DefaultBytes();
  for (int i = 0; i < 308; ++i) {
    if (!InRanges(i)) {
      QVERIFY2(saved[i] == defaults[i], qPrintable(QString("offset %1").arg(i)));
    }
  }
  QCOMPARE(saved.mid(54, 16), QByteArray(16, '\x3F'));
  QCOMPARE(saved.mid(120, 16), QByteArray(16, '\x3F'));
  QCOMPARE(saved.mid(236, 14), QByteArray(14, ' '));
  QVERIFY(w.script.notices.isEmpty());
  QVERIFY(w.script.replaceQuestions.isEmpty());
}

void MainWindowTest::saveAppliesTheDatRule_data() {
  QTest::addColumn<QString>("chosen");
  QTest::addColumn<QString>("saved");
  QTest::newRow("no extension") << "cal"
                                << "cal.dat";
  QTest::newRow("upper case") << "cal.DAT"
                              << "cal.DAT.dat";
  QTest::newRow("inside the name") << "cal.dat.bak"
                                   << "cal.dat.bak";
  QTest::newRow("in a folder name") << "x.dat/cal"
                                    << "x.dat/cal";
}

void MainWindowTest::saveAppliesTheDatRule() {
  QFETCH(QString, chosen);
  QFETCH(QString, saved);
  QTemporaryDir dir;
  QVERIFY(QDir(dir.path()).mkdir("x.dat"));
  MainWindow w;
  w.script.savePaths << dir.filePath(chosen);
  w.dlg->OnSave();
  QCOMPARE(QFileInfo(dir.filePath(saved)).size(), 308);
  const QStringList top = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
  const QStringList inner = QDir(dir.filePath("x.dat")).entryList(QDir::Files | QDir::Hidden);
  QCOMPARE(top.size() + inner.size(), 1);  // that one file and no other
}

// Replacing cal.dat when "cal" was chosen needs its own question: the chooser asked about "cal".
void MainWindowTest::saveAsksBeforeReplacingAFileTheNameGained() {
  QTemporaryDir dir;
  const QString target = dir.filePath("cal.dat");
  WriteFile(target, "keep me");
  MainWindow w;
  w.script.replace = false;
  w.script.savePaths << dir.filePath("cal");
  w.dlg->OnSave();
  QCOMPARE(w.script.replaceQuestions, QStringList{target});
  QCOMPARE(ReadFile(target), QByteArray("keep me"));

  w.script.replace = true;
  w.script.savePaths << dir.filePath("cal");
  w.dlg->OnSave();
  QCOMPARE(ReadFile(target).size(), 308);

  // A name chosen as it is was confirmed by the chooser already.
  w.script.savePaths << target;
  w.dlg->OnSave();
  QCOMPARE(w.script.replaceQuestions.size(), 2);
}

void MainWindowTest::saveCancelledChangesNothing() {
  MainWindow w;
  test::TypeInto(w.Edit(res::main_window::kPowerOnText1), "TYPED");
  const QByteArray before = ImageBytes(w.dlg->image());
  w.dlg->OnSave();  // the chooser answers with no path
  QCOMPARE(w.script.saveChooserCalls, 1);
  QCOMPARE(ImageBytes(w.dlg->image()), before);
  QVERIFY(w.script.notices.isEmpty());
}

void MainWindowTest::saveErrorIsShownWithTheSystemsDescription() {
  QTemporaryDir dir;
  MainWindow w;
  const QString path = dir.filePath("missing-folder/cal.dat");
  w.script.savePaths << path;
  w.dlg->OnSave();
  QCOMPARE(w.script.notices.size(), 1);
  QVERIFY2(w.script.notices[0].contains(path), qPrintable(w.script.notices[0]));
  QVERIFY2(w.script.notices[0].contains("No such file or directory"),
           qPrintable(w.script.notices[0]));
  QVERIFY(!QFileInfo::exists(path));
}

void MainWindowTest::openHundredBytesReplacesOnlyThose() {
  QTemporaryDir dir;
  MainWindow w;
  QByteArray file = DefaultBytes().left(100);
  file[0] = 3;  // portNumber 3
  const std::size_t point = layout::LevelTableOffset(0, 1, 5);
  file[qsizetype(point)] = char(0x77);
  test::TypeInto(w.Edit(res::main_window::kPowerOnText2),
                 "KEEP");  // beyond byte 99: reloaded, not stored
  const QByteArray before = ImageBytes(w.dlg->image());
  WriteFile(dir.filePath("short.dat"), file);
  w.script.openPaths << dir.filePath("short.dat");
  w.dlg->OnOpen();
  const QByteArray after = ImageBytes(w.dlg->image());
  QCOMPARE(after.left(100), file);
  QCOMPARE(after.mid(100), before.mid(100));
  QCOMPARE(w.Combo(res::main_window::kPort)->currentText(), QString("COM3"));
  QCOMPARE(w.Level(0, 1)->Slider(5)->value(), 0x77);
  QCOMPARE(w.Level(0, 1)->Edit(5)->text(), QString("119"));
  QCOMPARE(w.Edit(res::main_window::kPowerOnText2)->text(), QString());  // the image's text again
  QCOMPARE(w.script.notices, QStringList{"文件大小为 100 字节，不是 308 字节"});
}

void MainWindowTest::openEmptyFileChangesNoByteButRefreshes() {
  QTemporaryDir dir;
  MainWindow w;
  w.Combo(res::main_window::kPort)->setCurrentIndex(3);
  test::TypeInto(w.Edit(res::main_window::kPowerOnText1), "XY");
  test::TypeInto(w.BandEdit(1, res::band_page::kRxLow), "123");  // band B receive low limit
  const QByteArray before = ImageBytes(w.dlg->image());
  WriteFile(dir.filePath("empty.dat"), {});
  w.script.openPaths << dir.filePath("empty.dat");
  w.dlg->OnOpen();
  QCOMPARE(ImageBytes(w.dlg->image()), before);
  QCOMPARE(w.Combo(res::main_window::kPort)->currentText(), QString("COM1"));
  QCOMPARE(w.Edit(res::main_window::kPowerOnText1)->text(), QString());
  QCOMPARE(w.BandEdit(1, res::band_page::kRxLow)->text(),
           QString::number(w.dlg->image().ReadBcd16(layout::kRxLowB)));
  QCOMPARE(w.script.notices, QStringList{"文件大小为 0 字节，不是 308 字节"});
}

void MainWindowTest::openFourHundredBytesUsesTheFirst308() {
  QTemporaryDir dir;
  CalibrationImage source;
  source.LoadDefaults();
  source.setPortNumber(2);
  StringToTextField("OPEN400", source.powerOnText1());
  source.WriteBcd16(layout::kBandBaseB, 410);
  const QByteArray file = ImageBytes(source) + QByteArray(92, char(0xEE));
  WriteFile(dir.filePath("long.dat"), file);
  MainWindow w;
  w.script.openPaths << dir.filePath("long.dat");
  w.dlg->OnOpen();
  QCOMPARE(ImageBytes(w.dlg->image()), file.left(308));
  QCOMPARE(w.Combo(res::main_window::kPort)->currentText(), QString("COM2"));
  QCOMPARE(w.Edit(res::main_window::kPowerOnText1)->text(), QString("OPEN400"));
  QCOMPARE(w.Band(1)->base(), 410);
  QCOMPARE(w.Band(1)->baseSlider()->value(), 410);
  QCOMPARE(w.script.notices, QStringList{"文件大小为 400 字节，不是 308 字节"});
}

void MainWindowTest::openUnreadableFileTellsTheUser() {
  QTemporaryDir dir;
  MainWindow w;
  const QByteArray before = ImageBytes(w.dlg->image());
  w.script.openPaths << dir.filePath("gone.dat");
  w.dlg->OnOpen();
  QCOMPARE(w.script.notices.size(), 1);
  QVERIFY(w.script.notices[0].contains("gone.dat"));
  QCOMPARE(ImageBytes(w.dlg->image()), before);

  w.dlg->OnOpen();  // cancelled: nothing at all
  QCOMPARE(w.script.openChooserCalls, 2);
  QCOMPARE(w.script.notices.size(), 1);
}

void MainWindowTest::openRefusesAFolderAtOnce() {
  QTemporaryDir dir;
  MainWindow w;
  const QByteArray before = ImageBytes(w.dlg->image());
  const QString title = w.dlg->windowTitle();
  w.script.openPaths << dir.path();
  w.dlg->OnOpen();
  QCOMPARE(w.script.notices.size(), 1);
  QVERIFY(w.script.notices[0].contains(dir.path()));
  QVERIFY2(!w.script.notices[0].section('\n', 1).trimmed().isEmpty(), "names no reason");
  QCOMPARE(ImageBytes(w.dlg->image()), before);
  QCOMPARE(w.dlg->windowTitle(), title);
}

// A file's busy byte is no transfer of this window; a saved file never carries one either.
void MainWindowTest::aFilesBusyByteNeverReachesTheWindowOrAFile() {
  QTemporaryDir dir;
  QByteArray file = DefaultBytes();
  file[layout::kBusy] = 1;
  WriteFile(dir.filePath("busy.dat"), file);
  MainWindow w;
  w.script.openPaths << dir.filePath("busy.dat");
  w.dlg->OnOpen();
  QVERIFY(w.script.notices.isEmpty());
  QVERIFY(!w.dlg->image().busy());
  QCOMPARE(ReadFile(dir.filePath("busy.dat")), file);

  w.dlg->image().setBusy(true);
  w.script.savePaths << dir.filePath("saved.dat");
  w.dlg->OnSave();
  w.dlg->image().setBusy(false);
  const QByteArray saved = ReadFile(dir.filePath("saved.dat"));
  QCOMPARE(saved.size(), 308);
  QCOMPARE(int{saved[layout::kBusy]}, 0);
}

void MainWindowTest::portOutsideTheListIsKeptUntilTheUserPicksOne_data() {
  QTest::addColumn<int>("port");
  QTest::newRow("bytes 00 00 00 80") << std::numeric_limits<int>::min();
  QTest::newRow("bytes FF FF FF FF") << -1;
  QTest::newRow("COM9") << 9;
  QTest::newRow("port 0") << 0;
}

// Any four bytes can come from a file: the combo shows no port, and the bytes stay as they were
// until the user picks a port.
void MainWindowTest::portOutsideTheListIsKeptUntilTheUserPicksOne() {
  QFETCH(int, port);
  QTemporaryDir dir;
  QByteArray file = DefaultBytes();
  for (int i = 0; i < 4; ++i) file[i] = char(static_cast<std::uint32_t>(port) >> (8 * i));
  WriteFile(dir.filePath("port.dat"), file);
  MainWindow w;
  w.script.openPaths << dir.filePath("port.dat");
  w.dlg->OnOpen();
  QComboBox* combo = w.Combo(res::main_window::kPort);
  QCOMPARE(combo->currentIndex(), -1);
  w.script.savePaths << dir.filePath("kept.dat");
  w.dlg->OnSave();
  QCOMPARE(ReadFile(dir.filePath("kept.dat")).left(4), file.left(4));

  combo->setFocus();
  QTest::keyClick(combo, Qt::Key_Down);
  QCOMPARE(combo->currentText(), QString("COM1"));
  w.script.savePaths << dir.filePath("picked.dat");
  w.dlg->OnSave();
  QCOMPARE(ReadFile(dir.filePath("picked.dat")).left(4), QByteArray("\x01\0\0\0", 4));
}

void MainWindowTest::powerOnTextWithSlashComesBackWithDash() {
  QTemporaryDir dir;
  const QString path = dir.filePath("text.dat");
  MainWindow w;
  test::TypeInto(w.Edit(res::main_window::kPowerOnText1), "AB/CD");
  w.script.savePaths << path;
  w.dlg->OnSave();
  QCOMPARE(ReadFile(path).mid(236, 7), QByteArray("AB-CD  "));
  test::TypeInto(w.Edit(res::main_window::kPowerOnText1), "ZZ");
  w.script.openPaths << path;
  w.dlg->OnOpen();
  QCOMPARE(w.Edit(res::main_window::kPowerOnText1)->text(), QString("AB-CD"));
}

void MainWindowTest::transferDoneRefreshesOnlyAfterARead() {
  MainWindow w;
  test::TypeInto(w.Edit(res::main_window::kPowerOnText1), "EDIT");
  using R = TransferOutcome::Result;
  for (auto [operation, result] : {std::pair{3, R::Success}, {4, R::Success}, {2, R::Failed}}) {
    w.dlg->job().reports().PostFinished(operation, test::Outcome(result));
    QCoreApplication::processEvents();
    QCOMPARE(w.Edit(res::main_window::kPowerOnText1)->text(), QString("EDIT"));
  }
  w.dlg->job().reports().PostFinished(TRANSFER_READ, test::Outcome(R::Success));
  QTRY_COMPARE(w.Edit(res::main_window::kPowerOnText1)->text(), QString());
}

void MainWindowTest::aboutBoxFromTheContextMenu_data() {
  QTest::addColumn<QString>("closeWith");
  QTest::newRow("OK button") << "ok";
  QTest::newRow("Enter") << "enter";
  QTest::newRow("Esc") << "escape";
  QTest::newRow("close box") << "close";
}

void MainWindowTest::aboutBoxFromTheContextMenu() {
  QFETCH(QString, closeWith);
  MainWindow w;
  QStringList menuTexts;
  bool lastButOneIsSeparator = false;
  QString title, nameLine;
  QSize iconSize;
  bool mainBlocked = false;
  bool closed = false;
  test::WhenShown([] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); },
                  [&](QWidget* widget) {
                    auto* menu = static_cast<QMenu*>(widget);
                    const auto actions = menu->actions();
                    for (QAction* a : actions) menuTexts << a->text();
                    lastButOneIsSeparator =
                        actions.size() >= 2 && actions[actions.size() - 2]->isSeparator();
                    menu->setActiveAction(actions.last());
                    QTest::keyClick(menu, Qt::Key_Return);
                  });
  test::WhenModal<CAboutDlg>([&](CAboutDlg* about) {
    title = about->windowTitle();
    for (const auto& entry : about->Controls().All()) {
      auto* label = qobject_cast<QLabel*>(entry.widget);
      if (!label) continue;
      if (label->text().startsWith("Velmora")) nameLine = label->text();
      if (!label->pixmap().isNull()) iconSize = label->pixmap().size().boundedTo(label->size());
    }
    // Application-modal: the main window takes no input until the box closes.
    mainBlocked = about->windowModality() == Qt::ApplicationModal &&
                  QApplication::activeModalWidget() == about;
    auto* ok = about->Controls().Get<QPushButton>(1);
    if (closeWith == "ok") QTest::mouseClick(ok, Qt::LeftButton);
    if (closeWith == "enter") QTest::keyClick(about, Qt::Key_Return);
    if (closeWith == "escape") QTest::keyClick(about, Qt::Key_Escape);
    if (closeWith == "close") about->close();
    closed = !about->isVisible();
  });
  const QPoint at = w.dlg->rect().center();
  QContextMenuEvent event(QContextMenuEvent::Mouse, at, w.dlg->mapToGlobal(at));
  QApplication::sendEvent(w.dlg.get(), &event);  // returns once the about box has closed
  QCOMPARE(menuTexts.last(), QString("关于 Velmora(&A)..."));
  QVERIFY(lastButOneIsSeparator);
  QCOMPARE(title, QString("关于 Velmora"));
  QCOMPARE(nameLine, QString("Velmora 1.0 版"));
  QCOMPARE(iconSize, QSize(32, 32));
  QVERIFY(mainBlocked);
  QVERIFY(closed);
  QVERIFY(ActiveAbout() == nullptr);
}

void MainWindowTest::systemCommands_data() {
  QTest::addColumn<int>("id");
  QTest::addColumn<bool>("opensAbout");
  QTest::newRow("16") << 16 << true;
  QTest::newRow("31") << 31 << true;
  QTest::newRow("15") << 15 << false;
  QTest::newRow("32") << 32 << false;
  QTest::newRow("minimize 0xF020") << 0xF020 << false;
}

void MainWindowTest::systemCommands() {
  QFETCH(int, id);
  QFETCH(bool, opensAbout);
  MainWindow w;
  bool opened = false;
  test::WhenShown(
      ActiveAbout,
      [&](QWidget* about) {
        opened = true;
        about->close();
      },
      opensAbout ? 5000 : 50);
  w.dlg->OnSysCommand(id);
  QTest::qWait(opensAbout ? 0 : 100);
  QCOMPARE(opened, opensAbout);
  QVERIFY(w.dlg->isVisible());
}

// Enter in an edit box would otherwise take the hidden OK button and close the program with
// all unsaved alignment; Esc and the close box close it.
void MainWindowTest::enterInAnEditBoxKeepsTheWindowOpen() {
  MainWindow w;
  w.Edit(res::main_window::kPowerOnText1)->setFocus();
  QTest::keyClick(w.Edit(res::main_window::kPowerOnText1), Qt::Key_Return);
  QVERIFY(w.dlg->isVisible());
  QTest::keyClick(w.Edit(res::main_window::kPowerOnText1), Qt::Key_Escape);
  QVERIFY(!w.dlg->isVisible());
}

void MainWindowTest::versionOption() {
  QProcess process;
  process.start(VELMORA_EXECUTABLE, {"--version"});
  QVERIFY(process.waitForFinished(10000));
  QCOMPARE(process.exitCode(), 0);
  QCOMPARE(process.readAllStandardOutput(), QByteArray("Velmora 1.0.0.1\n"));
}

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
