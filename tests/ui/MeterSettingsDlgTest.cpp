#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

#include "instrument/InstrumentSettings.h"
#include "instrument/SettingsFile.h"
#include "sim/MeterServer.h"
#include "tests/ui/MainWindowFixture.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/MainWindowCommands.h"
#include "ui/MeterSettingsDlg.h"
#include "ui/UserSettings.h"

using namespace velmora;

Q_DECLARE_METATYPE(velmora::MeterCheck)

namespace {

constexpr double kSensorWatts = 2.0;

// The simulated meter on a loopback port of its own.
std::unique_ptr<sim::MeterServer> StartMeter(const meter::MeterFaults& faults = {}) {
  meter::MeterSettings settings;
  settings.faults = faults;
  auto server = std::make_unique<sim::MeterServer>([](auto) { return kSensorWatts; }, settings);
  std::string error;
  if (!server->Start("127.0.0.1", 0, &error)) qFatal("%s", error.c_str());
  return server;
}

QString UrlOf(const sim::MeterServer& server) {
  return QStringLiteral("tcp://127.0.0.1:%1").arg(server.port());
}

QAction* MenuAction(QMenuBar* bar, const QString& text) {
  for (QAction* menu : bar->actions()) {
    if (!menu->menu()) continue;
    for (QAction* action : menu->menu()->actions()) {
      if (action->text() == text) return action;
    }
  }
  return nullptr;
}

}  // namespace

class MeterSettingsDlgTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { qRegisterMetaType<MeterCheck>(); }
  void testIdentifiesOnAWorker_data();
  void testIdentifiesOnAWorker();
  void menuEntryStoresWhatIsAccepted();
  void calibrationDueIsKeptChangedAndCleared_data();
  void calibrationDueIsKeptChangedAndCleared();
};

void MeterSettingsDlgTest::testIdentifiesOnAWorker_data() {
  QTest::addColumn<QString>("meter");  // "sim", "silent", "closed" or a URL as typed
  QTest::addColumn<QString>("dialect");
  QTest::addColumn<QString>("identification");
  QTest::addColumn<QString>("errorPart");
  QTest::newRow("simulated meter") << "sim"
                                   << "scpi-1999" << meter::SimulatedMeter::kIdentification << "";
  QTest::newRow("nobody listens") << "closed"
                                  << "scpi-1999"
                                  << ""
                                  << "127.0.0.1";
  QTest::newRow("meter never answers") << "silent"
                                       << "scpi-1999"
                                       << ""
                                       << "*IDN?";
  QTest::newRow("no such scheme") << "gpib://7"
                                  << "scpi-1999"
                                  << ""
                                  << "gpib://7";
  QTest::newRow("unknown dialect") << "sim"
                                   << "morse"
                                   << ""
                                   << "morse";
}

// The check runs on a worker: while the meter keeps silent the dialog still takes typing, "测试"
// waits disabled, and the answer or the failure arrives as a value and on screen.
void MeterSettingsDlgTest::testIdentifiesOnAWorker() {
  QFETCH(QString, meter);
  QFETCH(QString, dialect);
  QFETCH(QString, identification);
  QFETCH(QString, errorPart);
  meter::MeterFaults faults;
  faults.silent = meter == "silent";
  auto server = StartMeter(faults);
  QString url = meter.contains(':') ? meter : UrlOf(*server);
  if (meter == "closed") server->Stop();

  InstrumentSettings settings;
  settings.meterUrl = url;
  settings.meterDialect = dialect;
  MeterSettingsDlg dlg(settings);
  dlg.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dlg));
  QSignalSpy tested(&dlg, &MeterSettingsDlg::Tested);
  QTest::mouseClick(dlg.testButton(), Qt::LeftButton);
  QVERIFY(dlg.IsTesting() || tested.count() == 1);
  if (faults.silent) {
    QVERIFY(!dlg.testButton()->isEnabled());
    QTest::keyClicks(dlg.urlEdit(), "x");  // the event loop runs while the meter is asked
    QCOMPARE(dlg.urlEdit()->text(), url + "x");
  }
  QTRY_COMPARE_WITH_TIMEOUT(tested.count(), 1, 15000);
  const auto check = tested.first().first().value<MeterCheck>();
  QCOMPARE(check.identification, identification);
  QVERIFY2(check.error.contains(errorPart), qPrintable(check.error));
  QCOMPARE(check.ok(), errorPart.isEmpty());
  QVERIFY(dlg.testResult()->text().contains(check.ok() ? identification : errorPart));
  QVERIFY(dlg.testButton()->isEnabled());
}

// The settings menu opens the dialog with what is stored; OK stores what it shows where
// velmora-cli reads it, and the next opening shows it again.
void MeterSettingsDlgTest::menuEntryStoresWhatIsAccepted() {
  InstrumentSettings::ProgramSettings()->clear();
  test::MainWindow w;
  QAction* entry = MenuAction(w.dlg->commands()->menuBar(), "功率计(&M)...");
  QVERIFY(entry);
  bool shown = false;
  test::WhenModal<MeterSettingsDlg>([&](MeterSettingsDlg* dlg) {
    shown = true;
    QCOMPARE(dlg->urlEdit()->text(), QString());
    QCOMPARE(dlg->dialectBox()->currentText(), QString(MeterDialect::kDefault));
    test::TypeInto(dlg->urlEdit(), "tcp://127.0.0.1:5025");
    dlg->attenuatorBox()->setValue(30.5);
    dlg->accept();
  });
  entry->trigger();
  QVERIFY(shown);
  const InstrumentSettings stored =
      InstrumentSettings::Load(*InstrumentSettings::ProgramSettings());
  QCOMPARE(stored.meterUrl, QString("tcp://127.0.0.1:5025"));
  QCOMPARE(stored.meterDialect, QString(MeterDialect::kDefault));
  QCOMPARE(stored.attenuatorDb, 30.5);
  // The window's own settings and the meter's share the one file velmora-cli reads.
  UserSettings().SetBandTab(1);
  const QSettings file(SettingsFile::Path(), QSettings::IniFormat);
  QVERIFY(SettingsFile::Path().endsWith("/Velmora/velmora.conf"));
  QCOMPARE(file.value("instruments/meterUrl").toString(), QString("tcp://127.0.0.1:5025"));
  QCOMPARE(file.value("window/bandTab").toInt(), 1);

  shown = false;
  test::WhenModal<MeterSettingsDlg>([&](MeterSettingsDlg* dlg) {
    shown = true;
    QCOMPARE(dlg->urlEdit()->text(), QString("tcp://127.0.0.1:5025"));
    QCOMPARE(dlg->attenuatorBox()->value(), 30.5);
    test::TypeInto(dlg->urlEdit(), "tcp://127.0.0.1:1");
    dlg->reject();
  });
  entry->trigger();
  QVERIFY(shown);
  QCOMPARE(InstrumentSettings::Load(*InstrumentSettings::ProgramSettings()).meterUrl,
           QString("tcp://127.0.0.1:5025"));
}

void MeterSettingsDlgTest::calibrationDueIsKeptChangedAndCleared_data() {
  QTest::addColumn<QDate>("stored");  // null: none kept
  QTest::addColumn<QDate>("chosen");  // null: the field set back to "未设置"
  QTest::newRow("first set") << QDate() << QDate(2027, 3, 1);
  QTest::newRow("changed") << QDate(2026, 1, 15) << QDate(2027, 3, 1);
  QTest::newRow("cleared") << QDate(2026, 1, 15) << QDate();
  QTest::newRow("none stays none") << QDate() << QDate();
}

// 校准到期 shows the stored date, and OK stores the one chosen where velmora-cli reads it; a
// cleared date leaves no stale one behind in the file.
void MeterSettingsDlgTest::calibrationDueIsKeptChangedAndCleared() {
  QFETCH(QDate, stored);
  QFETCH(QDate, chosen);
  InstrumentSettings::ProgramSettings()->clear();
  InstrumentSettings settings;
  settings.meterUrl = "tcp://127.0.0.1:5025";
  settings.calibrationDue = stored;
  settings.Save(*InstrumentSettings::ProgramSettings());
  test::MainWindow w(false, true);
  QAction* entry = MenuAction(w.dlg->commands()->menuBar(), "功率计(&M)...");
  QVERIFY(entry);
  bool shown = false;
  test::WhenModal<MeterSettingsDlg>([&](MeterSettingsDlg* dlg) {
    shown = true;
    QDateEdit* due = dlg->calibrationDueEdit();
    if (stored.isValid()) {
      QCOMPARE(due->date(), stored);
    } else {
      QCOMPARE(due->date(), due->minimumDate());
      QCOMPARE(due->text(), QString("未设置"));
    }
    due->setDate(chosen.isValid() ? chosen : due->minimumDate());
    dlg->accept();
  });
  entry->trigger();
  QVERIFY(shown);
  QCOMPARE(InstrumentSettings::Load(*InstrumentSettings::ProgramSettings()).calibrationDue, chosen);
  const QSettings file(SettingsFile::Path(), QSettings::IniFormat);
  QCOMPARE(file.contains("instruments/calibrationDue"), chosen.isValid());
}

QTEST_MAIN(MeterSettingsDlgTest)
#include "MeterSettingsDlgTest.moc"
