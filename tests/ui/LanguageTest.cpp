// The window in English (--lang en / VELMORA_LANG=en): its own texts from the embedded English
// catalog, Qt's own left in English even where Qt's Chinese catalog is installed.
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QtTest>

#include "trace/TraceLog.h"
#include "res/ResourceIds.h"
#include "sim/ComPortRig.h"
#include "tests/ui/MainWindowFixture.h"
#include "ui/CAboutDlg.h"
#include "ui/CAlignApp.h"
#include "ui/kit/ExchangePrompt.h"

using namespace velmora;

class LanguageTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void mainWindowReadsEnglish_data();
  void mainWindowReadsEnglish();
  void tabCaptionsAndPagesReadEnglish();
  void menuAboutBoxAndPromptsReadEnglish();
  void transferRowReadsEnglish();
  void desktopEntryNamesTheWindowInItsLanguages();
};

namespace {

QStringList LabelTexts(const QWidget* parent) {
  QStringList texts;
  for (const QLabel* label : parent->findChildren<QLabel*>()) texts << label->text();
  return texts;
}

}  // namespace

void LanguageTest::initTestCase() {
  CAlignApp::SetUpApplication(*qApp, QtTranslations::Language::English);
}

void LanguageTest::mainWindowReadsEnglish_data() {
  QTest::addColumn<int>("id");
  QTest::addColumn<QString>("text");
  QTest::newRow("read") << res::main_window::kRead << "&Read";
  QTest::newRow("write") << res::main_window::kWrite << "&Write";
  QTest::newRow("save") << res::main_window::kSave << "&Save";
  QTest::newRow("open") << res::main_window::kOpen << "&Open";
}

void LanguageTest::mainWindowReadsEnglish() {
  QFETCH(int, id);
  QFETCH(QString, text);
  CAlignMainDlg dlg;
  QCOMPARE(static_cast<QPushButton*>(dlg.Control(id))->text(), text);
  QCOMPARE(dlg.windowTitle(), QString("UV Alignment Tool - Untitled[*]"));
  const QStringList labels = LabelTexts(&dlg);
  QVERIFY2(labels.contains("Port:") && labels.contains("Power-on"), qPrintable(labels.join('|')));
}

void LanguageTest::tabCaptionsAndPagesReadEnglish() {
  CAlignMainDlg dlg;
  QCOMPARE(dlg.tabCtrl()->DrawnCaption(0), QString("Band A"));
  QCOMPARE(dlg.tabCtrl()->DrawnCaption(1), QString("Band B"));
  CStyledTabCtrl* tables = dlg.bandPage(1)->levelTab();
  QStringList captions;
  for (int t = 0; t < tables->count(); ++t) captions << tables->DrawnCaption(t);
  QCOMPARE(captions, (QStringList{"High power", "Mid power", "Low power", "RX tuning"}));
  const QStringList labels = LabelTexts(dlg.bandPage(0));
  for (const char* label : {"Base:", "Step:", "RX freq:", "TX freq:"}) {
    QVERIFY2(labels.contains(label), qPrintable(labels.join('|')));
  }
}

// The window's own texts are English, and Qt's standard buttons stay Qt's English ones.
void LanguageTest::menuAboutBoxAndPromptsReadEnglish() {
  CAlignMainDlg dlg;
  QCOMPARE(dlg.systemMenu()->actions().last()->text(), QString("&About Velmora..."));
  CAboutDlg about;
  QCOMPARE(about.windowTitle(), QString("About Velmora"));
  QVERIFY(LabelTexts(&about).contains("Velmora version 1.0"));
  QCOMPARE(ExchangePrompt::RangeText(0, 255),
           QString("Please enter an integer between 0 and 255."));
  QCOMPARE(CTransferJob::tr(CTransferJob::kConnectFailedText),
           QString("Could not connect to the radio!"));
  QMessageBox box(QMessageBox::Warning, "Velmora", "text", QMessageBox::Ok | QMessageBox::Cancel);
  QCOMPARE(box.button(QMessageBox::Ok)->text(), QString("OK"));
  QCOMPARE(box.button(QMessageBox::Cancel)->text(), QString("Cancel"));
}

// The row under the controls during a job: its button, the job's progress and its outcome.
void LanguageTest::transferRowReadsEnglish() {
  sim::ComPortRig rig;
  for (int port = 1; port <= 9; ++port) rig.AddSilentTerminal(port);
  QTemporaryDir dir;
  const QString trace = dir.filePath("trace.txt");
  QVERIFY(TraceLog::Instance().Open(trace.toStdString(), {"velmora"}, "test", nullptr));
  test::MainWindow w;
  QCOMPARE(w.dlg->cancelButton()->text(), QString("Cancel"));
  QTest::mouseClick(w.Button(res::main_window::kRead), Qt::LeftButton);
  const QLabel* status = w.dlg->transferStatus();
  QTRY_COMPARE(status->text(), QString("Connecting to COM2…"));
  // The English texts are longer than the Chinese ones the row was sized by.
  QVERIFY(status->fontMetrics().horizontalAdvance(status->text()) <= status->width());
  const QPushButton* cancel = w.dlg->cancelButton();
  QVERIFY(cancel->fontMetrics().horizontalAdvance(cancel->text()) < cancel->width());
  QTest::mouseClick(w.dlg->cancelButton(), Qt::LeftButton);
  w.WaitUntilIdle();
  QCOMPARE(w.presenter.texts(), std::vector<std::string>{"Cancelled"});
  TraceLog::Instance().Close();
  QFile file(trace);
  QVERIFY(file.open(QIODevice::ReadOnly));
  // The support trace keeps the program's own text, whatever the window speaks.
  QVERIFY(QString::fromUtf8(file.readAll()).contains("outcome: 已取消"));
}

// The menu shows the name the window shows: Chinese unless the locale is English, as the window.
void LanguageTest::desktopEntryNamesTheWindowInItsLanguages() {
  QFile file(VELMORA_DESKTOP_ENTRY);
  QVERIFY(file.open(QIODevice::ReadOnly));
  QMap<QString, QString> entry;
  for (const QString& line : QString::fromUtf8(file.readAll()).split('\n')) {
    entry.insert(line.section('=', 0, 0), line.section('=', 1));
  }
  CAlignMainDlg dlg;
  QVERIFY(entry.value("Name").endsWith(" UV电调测试软件"));
  QVERIFY(entry.value("Name[en]").endsWith(' ' + dlg.windowTitle().section(" - ", 0, 0)));
  const QStringList localized = entry.keys().filter(QRegularExpression("^\\w+\\["));
  QCOMPARE(localized.filter("[en]").size(), localized.size());  // zh_TW, de... read Name
}

QTEST_MAIN(LanguageTest)
#include "LanguageTest.moc"
