#include <QDialogButtonBox>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "core/TextCodec.h"
#include "tests/ui/MainWindowFixture.h"
#include "ui/AppCommandLine.h"
#include "ui/CAlignApp.h"

using namespace velmora;

class AppShellTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void windowReadsChineseUnderAnotherLocale();
  void languageChoice_data();
  void languageChoice();
  void standardButtonsReadChinese_data();
  void standardButtonsReadChinese();
  void styleOptionsAreDropped_data();
  void styleOptionsAreDropped();
  void startFileIsOpenedAsOpenDoes_data();
  void startFileIsOpenedAsOpenDoes();
  void commandLine_data();
  void commandLine();
};

// The program starts as velmora does with no language asked for, on a system set to German.
void AppShellTest::initTestCase() {
  QCOMPARE(QLocale::system().language(), QLocale::German);
  qunsetenv(AppCommandLine::kLanguageVariable);
  AppCommandLine commandLine;
  QCOMPARE(commandLine.Process(QStringList{"velmora"}), std::nullopt);
  QGuiApplication::setLayoutDirection(Qt::RightToLeft);  // as -reverse leaves it
  CAlignApp::SetUpApplication(*qApp,
                              commandLine.Language(std::nullopt, AppCommandLine::SystemLocale()));
  QCOMPARE(QGuiApplication::layoutDirection(), Qt::LeftToRight);
}

void AppShellTest::windowReadsChineseUnderAnotherLocale() {
  CAlignMainDlg dlg;
  QCOMPARE(static_cast<QPushButton*>(dlg.Control(res::main_window::kRead))->text(),
           QString("读出(&R)"));
  QCOMPARE(dlg.windowTitle(), QString("UV电调测试软件 - 未命名[*]"));
  QCOMPARE(dlg.tabCtrl()->DrawnCaption(0), QString("A段接收"));
  QCOMPARE(dlg.bandPage(0)->levelTab()->DrawnCaption(0), QString("高功率"));
}

void AppShellTest::languageChoice_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<QString>("variable");  // VELMORA_LANG; empty for unset
  QTest::addColumn<QString>("chosen");    // in the window's menu; empty for none
  QTest::addColumn<QString>("locale");    // the system's first interface language
  QTest::addColumn<bool>("english");
  QTest::newRow("another locale") << QStringList{} << ""
                                  << ""
                                  << "de-DE" << false;
  QTest::newRow("no locale") << QStringList{} << ""
                             << ""
                             << "C" << false;
  QTest::newRow("English locale") << QStringList{} << ""
                                  << ""
                                  << "en-US" << true;
  QTest::newRow("British locale") << QStringList{} << ""
                                  << ""
                                  << "en-GB" << true;
  QTest::newRow("Chinese locale") << QStringList{} << ""
                                  << ""
                                  << "zh-CN" << false;
  QTest::newRow("menu over locale") << QStringList{} << ""
                                    << "en"
                                    << "zh-CN" << true;
  QTest::newRow("menu zh over English locale") << QStringList{} << ""
                                               << "zh"
                                               << "en-US" << false;
  QTest::newRow("variable over menu") << QStringList{} << "en"
                                      << "zh"
                                      << "zh-CN" << true;
  QTest::newRow("--lang over variable") << QStringList{"--lang", "zh"} << "en"
                                        << "en"
                                        << "en-US" << false;
  QTest::newRow("--lang=en") << QStringList{"--lang=en"} << ""
                             << ""
                             << "zh-CN" << true;
  QTest::newRow("unknown variable, warned, passed over") << QStringList{} << "fr"
                                                         << ""
                                                         << "en-US" << true;
}

void AppShellTest::languageChoice() {
  QFETCH(QStringList, arguments);
  QFETCH(QString, variable);
  QFETCH(QString, chosen);
  QFETCH(QString, locale);
  QFETCH(bool, english);
  if (variable.isEmpty()) {
    qunsetenv(AppCommandLine::kLanguageVariable);
  } else {
    qputenv(AppCommandLine::kLanguageVariable, variable.toUtf8());
  }
  AppCommandLine commandLine;
  QCOMPARE(commandLine.Process(QStringList{"velmora"} + arguments), std::nullopt);
  const bool chosenEnglish = commandLine.Language(QtTranslations::FromName(chosen), locale) ==
                             QtTranslations::Language::English;
  qunsetenv(AppCommandLine::kLanguageVariable);
  QCOMPARE(chosenEnglish, english);
}

void AppShellTest::standardButtonsReadChinese_data() {
  QTest::addColumn<QDialogButtonBox::StandardButton>("button");
  QTest::addColumn<QString>("text");
  QTest::newRow("OK") << QDialogButtonBox::Ok << "确定";
  QTest::newRow("Cancel") << QDialogButtonBox::Cancel << "取消";
  QTest::newRow("Yes") << QDialogButtonBox::Yes << "是(&Y)";
  QTest::newRow("No") << QDialogButtonBox::No << "否(&N)";
}

void AppShellTest::standardButtonsReadChinese() {
  QFETCH(QDialogButtonBox::StandardButton, button);
  QFETCH(QString, text);
  QDialogButtonBox buttons(button);
  QCOMPARE(buttons.button(button)->text(), text);
  QMessageBox box(QMessageBox::Warning, "Velmora", "text",
                  QMessageBox::StandardButton(static_cast<int>(button)));
  QCOMPARE(box.button(QMessageBox::StandardButton(static_cast<int>(button)))->text(), text);
}

void AppShellTest::styleOptionsAreDropped_data() {
  QTest::addColumn<QByteArrayList>("arguments");
  QTest::addColumn<QByteArrayList>("kept");
  QTest::newRow("reverse") << QByteArrayList{"velmora", "-reverse", "a.dat"}
                           << QByteArrayList{"velmora", "a.dat"};
  QTest::newRow("double dashes") << QByteArrayList{"velmora", "--reverse", "--style", "fusion"}
                                 << QByteArrayList{"velmora"};
  QTest::newRow("values after =") << QByteArrayList{"velmora", "-style=fusion", "-stylesheet=x.qss",
                                                    "--version"}
                                  << QByteArrayList{"velmora", "--version"};
  QTest::newRow("value apart") << QByteArrayList{"velmora", "-stylesheet", "x.qss", "b.dat"}
                               << QByteArrayList{"velmora", "b.dat"};
  QTest::newRow("other options and look-alikes stay")
      << QByteArrayList{"velmora", "-platform", "offscreen", "-styles", "reverse", "-style"}
      << QByteArrayList{"velmora", "-platform", "offscreen", "-styles", "reverse"};
}

void AppShellTest::styleOptionsAreDropped() {
  QFETCH(QByteArrayList, arguments);
  QFETCH(QByteArrayList, kept);
  std::vector<char*> argv;
  for (QByteArray& arg : arguments) argv.push_back(arg.data());
  QByteArrayList result;
  for (char* arg : AppCommandLine::WithoutStyleOptions(int(argv.size()), argv.data())) {
    result << QByteArray(arg);
  }
  QCOMPARE(result, kept);
}

void AppShellTest::startFileIsOpenedAsOpenDoes_data() {
  QTest::addColumn<bool>("present");
  QTest::newRow("calibration file") << true;
  QTest::newRow("missing file") << false;
}

// The file is loaded into the image and the controls once the window shows; a failure is
// reported in a box over the window, whose button reads 确定.
void AppShellTest::startFileIsOpenedAsOpenDoes() {
  QFETCH(bool, present);
  QTemporaryDir dir;
  const QString path = dir.filePath("start.dat");
  if (present) {
    CalibrationImage source;
    source.LoadDefaults();
    source.setPortNumber(4);
    StringToTextField("START01", source.powerOnText1());
    const auto bytes = source.ToBytes();
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())),
             qint64(bytes.size()));
  }
  CAlignApp app;
  app.setStartFile(path);
  QString notice, noticeButton, powerOnText;
  bool windowVisibleUnderNotice = false, loadSeen = false;
  int port = 0;
  if (!present) {
    test::WhenModal<QMessageBox>([&](QMessageBox* box) {
      notice = box->text();
      noticeButton = box->button(QMessageBox::Ok)->text();
      windowVisibleUnderNotice = app.mainWindow() && app.mainWindow()->isVisible();
      box->accept();
    });
  }
  test::WhenModal<CAlignMainDlg>([&](CAlignMainDlg* dlg) {
    auto* edit = static_cast<QLineEdit*>(dlg->Control(res::main_window::kPowerOnText1));
    loadSeen =
        QTest::qWaitFor([&] { return edit->text() == "START01" || !notice.isEmpty(); }, 2000);
    powerOnText = edit->text();
    port = dlg->image().portNumber();
    dlg->reject();
  });
  QCOMPARE(app.InitInstance(), false);
  QCOMPARE(app.mainWindow(), nullptr);
  QVERIFY(loadSeen);
  if (present) {
    QCOMPARE(powerOnText, QString("START01"));
    QCOMPARE(port, 4);
    QCOMPARE(notice, QString());
  } else {
    QVERIFY2(notice.startsWith("打开 " + path + " 失败"), qPrintable(notice));
    QCOMPARE(noticeButton, QString("确定"));
    QVERIFY(windowVisibleUnderNotice);
    QCOMPARE(powerOnText, QString());
    QCOMPARE(port, 1);
  }
}

void AppShellTest::commandLine_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<int>("exitCode");
  QTest::addColumn<QString>("output");  // what stdout or stderr must contain
  QTest::addColumn<bool>("display");    // false: no platform, X or Wayland display named
  QTest::newRow("version") << QStringList{"--version"} << 0 << "Velmora 1.0.0.1\n" << true;
  QTest::newRow("version, Qt's mirroring dropped")
      << QStringList{"-reverse", "-v"} << 0 << "Velmora 1.0.0.1\n"
      << true;
  QTest::newRow("help") << QStringList{"--help"} << 0 << "[FILE.dat]" << true;
  QTest::newRow("help names --lang") << QStringList{"--help"} << 0 << "--lang <language>" << true;
  const QString unknownLanguage = "unknown language 'fr' for --lang; known: zh, en";
  for (const bool display : {true, false}) {
    const char* where = display ? "display" : "no display";
    QTest::addRow("unknown option, %s", where) << QStringList{"--bogus"} << 2 << "bogus" << display;
    QTest::addRow("two files, %s", where)
        << QStringList{"a.dat", "b.dat"} << 2 << "only one file" << display;
    QTest::addRow("unknown language, %s", where)
        << QStringList{"--lang", "fr", "a.dat"} << 2 << unknownLanguage << display;
  }
  QTest::newRow("Qt's own options are no usage error")
      << QStringList{"-platform", "offscreen", "--lang", "fr"} << 2 << unknownLanguage << false;
}

void AppShellTest::commandLine() {
  QFETCH(QStringList, arguments);
  QFETCH(int, exitCode);
  QFETCH(QString, output);
  QFETCH(bool, display);
  QProcess process;
  if (!display) {
    auto environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
      environment.remove(name);
    process.setProcessEnvironment(environment);
  }
  process.start(VELMORA_EXECUTABLE, arguments);
  QVERIFY(process.waitForFinished(10000));
  QCOMPARE(process.exitCode(), exitCode);
  const QString text =
      QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
  QVERIFY2(text.contains(output), qPrintable(text));
}

QTEST_MAIN(AppShellTest)
#include "AppShellTest.moc"
