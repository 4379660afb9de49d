// The window as a desktop program: its keys, what it remembers from one start to the next, and
// a calibration file dropped on it.
#include <QDesktopServices>
#include <QDropEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>

#include "core/TextCodec.h"
#include "tests/ui/MainWindowFixture.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/MainWindowCommands.h"
#include "ui/ManualWindow.h"

// Desktop platforms turn mnemonics on; the offscreen one leaves them off.
Q_GUI_EXPORT void qt_set_sequence_auto_mnemonic(bool on);

using namespace velmora;
using test::MainWindow;

namespace {

// Takes the URLs the window asks the desktop to open.
class UrlRecorder : public QObject {
  Q_OBJECT

 public:
  QList<QUrl> urls;
 public slots:
  void open(const QUrl& url) { urls << url; }
};

QString WriteCalibrationFile(const QString& path, const char* powerOnText) {
  CalibrationImage image;
  image.LoadDefaults();
  StringToTextField(powerOnText, image.powerOnText1());
  if (!CalibrationFile::SaveToFile(image, path.toStdString(), {}).ok()) return {};
  return path;
}

void Activate(MainWindow& w) {
  w.dlg->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(w.dlg.get()));
}

QString PowerOnText(MainWindow& w) { return w.Edit(res::main_window::kPowerOnText1)->text(); }

// The desktop's handler lists, in folders of dir; file ("" = none) is written with text, its
// path relative to dir.
void UseDesktopLists(const QTemporaryDir& dir, const QString& file, const QString& text) {
  for (const char* name : {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME", "XDG_DATA_DIRS"})
    qputenv(name, dir.filePath(QString::fromLatin1(name)).toUtf8());
  if (file.isEmpty()) return;
  const QString path = dir.filePath(file);
  QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
  QFile list(path);
  QVERIFY(list.open(QIODevice::WriteOnly));
  list.write(text.toUtf8());
}

}  // namespace

class DesktopTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void keysRunTheirCommands_data();
  void keysRunTheirCommands();
  void saveKeyRewritesTheCurrentFile();
  void secondStartRemembersFolderTabPlaceAndRecentFiles();
  void droppedCalibrationFileOpensAsOpenDoes_data();
  void droppedCalibrationFileOpensAsOpenDoes();
  void manualFallsBackToItsOwnPage_data();
  void manualFallsBackToItsOwnPage();

 private:
  QTemporaryDir m_desktop;
};

// The desktop has a viewer for manual pages unless a test says otherwise.
void DesktopTest::initTestCase() {
  qt_set_sequence_auto_mnemonic(true);
  UseDesktopLists(m_desktop, "XDG_CONFIG_HOME/mimeapps.list",
                  "[Default Applications]\nx-scheme-handler/man=yelp.desktop;\n");
}

void DesktopTest::keysRunTheirCommands_data() {
  QTest::addColumn<QKeySequence>("key");
  QTest::addColumn<bool>("unsavedWork");
  QTest::addColumn<QString>("expected");  // the one thing the key must have done
  QTest::newRow("Ctrl+O") << QKeySequence("Ctrl+O") << false << "open chooser";
  QTest::newRow("Ctrl+S without a file") << QKeySequence("Ctrl+S") << false << "save chooser";
  QTest::newRow("Ctrl+Shift+S") << QKeySequence("Ctrl+Shift+S") << false << "save chooser";
  QTest::newRow("Ctrl+Q with unsaved work") << QKeySequence("Ctrl+Q") << true << "save question";
  QTest::newRow("F1") << QKeySequence("F1") << false << "manual";
  QTest::newRow("F8 reads") << QKeySequence(MainWindowCommands::kReadKey) << false << "job";
  QTest::newRow("F9 asks before writing defaults")
      << QKeySequence(MainWindowCommands::kWriteKey) << false << "yes/no question";
  QTest::newRow("Alt+O, the Open button's mnemonic")
      << QKeySequence("Alt+O") << false << "open chooser";
}

void DesktopTest::keysRunTheirCommands() {
  QFETCH(QKeySequence, key);
  QFETCH(bool, unsavedWork);
  QFETCH(QString, expected);
  UrlRecorder manual;
  QDesktopServices::setUrlHandler("man", &manual, "open");
  MainWindow w;
  w.script.saveChoice = WindowPrompts::SaveChoice::Cancel;
  w.script.yes = false;
  if (unsavedWork) test::TypeInto(w.Edit(res::main_window::kPowerOnText2), "X");
  Activate(w);
  QTest::keySequence(w.dlg.get(), key);
  w.WaitUntilIdle();
  const auto seen = [&] {
    return QMap<QString, int>{{"open chooser", w.script.openChooserCalls},
                              {"save chooser", w.script.saveChooserCalls},
                              {"save question", w.script.saveChangesQuestions},
                              {"yes/no question", int(w.script.yesNoQuestions.size())},
                              {"manual", int(manual.urls.size())},
                              {"job", int(w.presenter.texts().size())}};
  };
  QMap<QString, int> wanted = seen();
  for (auto it = wanted.begin(); it != wanted.end(); ++it) *it = it.key() == expected;
  QTRY_COMPARE(seen(), wanted);  // a mnemonic clicks its button a moment later
  QDesktopServices::unsetUrlHandler("man");
  if (expected == "manual") QCOMPARE(manual.urls.first(), QUrl(MainWindowCommands::kManualUrl));
  QVERIFY(w.dlg->isVisible());  // the quit was cancelled at the question
}

void DesktopTest::saveKeyRewritesTheCurrentFile() {
  QTemporaryDir dir;
  const QString path = WriteCalibrationFile(dir.filePath("bench.dat"), "OLD");
  MainWindow w;
  w.dlg->OpenNamed(path);
  test::TypeInto(w.Edit(res::main_window::kPowerOnText1), "NEW");
  Activate(w);
  QTest::keySequence(w.dlg.get(), QKeySequence::Save);
  QCOMPARE(w.script.saveChooserCalls, 0);
  QVERIFY(!w.dlg->isWindowModified());
  CalibrationImage saved;
  QVERIFY(CalibrationFile::LoadFromFile(saved, path.toStdString(), {}).ok());
  QCOMPARE(QString::fromStdString(TextFieldToString(saved.powerOnText1())), QString("NEW"));
}

void DesktopTest::secondStartRemembersFolderTabPlaceAndRecentFiles() {
  QTemporaryDir dir;
  QVERIFY(QDir(dir.path()).mkdir("bench"));
  const QString path = WriteCalibrationFile(dir.filePath("bench/radio1.dat"), "RADIO1");
  const QPoint place(31, 17);
  {
    MainWindow first;
    first.script.openPaths << path;
    QTest::mouseClick(first.Button(res::main_window::kOpen), Qt::LeftButton);
    QCOMPARE(PowerOnText(first), QString("RADIO1"));
    QTest::mouseClick(first.dlg->tabCtrl(), Qt::LeftButton, {},
                      first.dlg->tabCtrl()->tabRect(1).center());
    first.dlg->move(place);
    QVERIFY(first.dlg->close());
  }
  MainWindow second(false, true);
  QCOMPARE(second.dlg->tabCtrl()->currentIndex(), 1);
  QVERIFY(second.Band(1)->isVisible() && !second.Band(0)->isVisible());
  // Within the pixel the offscreen platform's window frame shifts a restored place by.
  QVERIFY2((second.dlg->pos() - place).manhattanLength() <= 2,
           qPrintable(QDebug::toString(second.dlg->pos())));
  QTest::mouseClick(second.Button(res::main_window::kOpen), Qt::LeftButton);
  QCOMPARE(second.script.chooserFolders, QStringList{QFileInfo(path).absolutePath()});
  QMenu* recent = second.dlg->commands()->recentMenu();
  emit recent->aboutToShow();
  QCOMPARE(recent->actions().size(), 1);
  QVERIFY(recent->actions().first()->text().endsWith(path));
  recent->actions().first()->trigger();
  QCOMPARE(PowerOnText(second), QString("RADIO1"));
}

void DesktopTest::droppedCalibrationFileOpensAsOpenDoes_data() {
  QTest::addColumn<QStringList>("names");
  QTest::addColumn<bool>("onEditBox");
  QTest::addColumn<bool>("unsavedWork");
  QTest::addColumn<bool>("opened");
  QTest::newRow(".dat on the window") << QStringList{"a.dat"} << false << false << true;
  QTest::newRow(".DAT on an edit box") << QStringList{"A.DAT"} << true << false << true;
  QTest::newRow("unsaved work, question cancelled")
      << QStringList{"a.dat"} << false << true << false;
  QTest::newRow("not a .dat") << QStringList{"a.txt"} << false << false << false;
  QTest::newRow("two files") << QStringList{"a.dat", "b.dat"} << false << false << false;
}

void DesktopTest::droppedCalibrationFileOpensAsOpenDoes() {
  QFETCH(QStringList, names);
  QFETCH(bool, onEditBox);
  QFETCH(bool, unsavedWork);
  QFETCH(bool, opened);
  QTemporaryDir dir;
  QList<QUrl> urls;
  for (const QString& name : names) {
    urls << QUrl::fromLocalFile(WriteCalibrationFile(dir.filePath(name), "DROP"));
  }
  MainWindow w;
  w.script.saveChoice = WindowPrompts::SaveChoice::Cancel;
  QLineEdit* box = w.Edit(res::main_window::kPowerOnText2);
  if (unsavedWork) test::TypeInto(box, "X");
  QWidget* target = onEditBox ? box : static_cast<QWidget*>(w.dlg.get());
  QMimeData data;
  data.setUrls(urls);
  data.setText(urls.first().toLocalFile());  // as file managers add, which edit boxes take
  const QPointF at(2, 2);
  QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  QTest::qWait(50);
  QCOMPARE(PowerOnText(w) == "DROP", opened);
  QCOMPARE(w.script.saveChangesQuestions, unsavedWork ? 1 : 0);
  QVERIFY(!box->text().contains(dir.path()));
}

void DesktopTest::manualFallsBackToItsOwnPage_data() {
  QTest::addColumn<QString>("file");  // the handler list written, "" for none
  QTest::addColumn<QString>("text");
  QTest::addColumn<bool>("viewer");  // the desktop's viewer is asked, else our own page shows
  QTest::newRow("no lists") << ""
                            << "" << false;
  QTest::newRow("user's default") << "XDG_CONFIG_HOME/mimeapps.list"
                                  << "[Default Applications]\nx-scheme-handler/man=yelp.desktop;"
                                  << true;
  QTest::newRow("system's cache") << "XDG_DATA_DIRS/applications/mimeinfo.cache"
                                  << "[MIME Cache]\nx-scheme-handler/man=khelpcenter.desktop;"
                                  << true;
  QTest::newRow("removed association")
      << "XDG_CONFIG_HOME/mimeapps.list"
      << "[Removed Associations]\nx-scheme-handler/man=yelp.desktop;" << false;
  QTest::newRow("empty handler") << "XDG_DATA_HOME/applications/mimeapps.list"
                                 << "[Default Applications]\nx-scheme-handler/man=" << false;
  QTest::newRow("other schemes only")
      << "XDG_CONFIG_HOME/mimeapps.list"
      << "[Default Applications]\nx-scheme-handler/manual=a.desktop;\ntext/html=b.desktop;"
      << false;
}

// F1 asks the desktop's viewer only when the desktop names one; otherwise the README shows in a
// window of the program's own, never nothing at all.
void DesktopTest::manualFallsBackToItsOwnPage() {
  QFETCH(QString, file);
  QFETCH(QString, text);
  QFETCH(bool, viewer);
  QTemporaryDir desktop;
  UseDesktopLists(desktop, file, text);
  UrlRecorder manual;
  QDesktopServices::setUrlHandler("man", &manual, "open");
  const auto restore = qScopeGuard([this] {
    QDesktopServices::unsetUrlHandler("man");
    UseDesktopLists(m_desktop, "", "");
  });
  MainWindow w;
  Activate(w);
  QTest::keySequence(w.dlg.get(), QKeySequence(MainWindowCommands::kManualKey));
  QCOMPARE(manual.urls.size(), viewer ? 1 : 0);
  ManualWindow* page = w.dlg->commands()->manualWindow();
  QCOMPARE(page != nullptr, !viewer);
  if (viewer) return;
  QVERIFY(QTest::qWaitForWindowExposed(page));
  const QString shown = page->browser()->toPlainText();
  QVERIFY2(shown.contains("Quick start on the bench") && shown.contains("Exit status"),
           qPrintable(shown.left(200)));
  // Asking again brings the same page back instead of a second one.
  page->hide();
  QAction* item = nullptr;  // 帮助 -> 手册, the menu item F1 stands for
  for (QAction* menu : w.dlg->commands()->menuBar()->actions()) {
    for (QAction* action : menu->menu() ? menu->menu()->actions() : QList<QAction*>())
      if (action->shortcut() == QKeySequence(MainWindowCommands::kManualKey)) item = action;
  }
  QVERIFY(item);
  item->trigger();
  QCOMPARE(w.dlg->commands()->manualWindow(), page);
  QVERIFY(page->isVisible());
  QVERIFY(manual.urls.isEmpty());
}

QTEST_MAIN(DesktopTest)
#include "DesktopTest.moc"
