#include <QFileInfo>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

#include "core/ImageLayout.h"
#include "tests/ui/MainWindowFixture.h"
#include "tests/ui/UiTestSupport.h"

using namespace velmora;
using test::MainWindow;
using Dlg = CAlignMainDlg;
using Choice = WindowPrompts::SaveChoice;
Q_DECLARE_METATYPE(Choice)

namespace {

const QString kTitle = QStringLiteral("UV电调测试软件");

enum class Edit { LevelDrag, LevelBox, PortCombo, PowerOnText, BaseSliderKey };

void MakeEdit(MainWindow& w, Edit edit) {
  switch (edit) {
    case Edit::LevelDrag:
      test::ReleaseSliderAt(w.Level(0, 2)->Slider(5), 30);
      break;
    case Edit::LevelBox:
      test::TypeInto(w.Level(0, 0)->Edit(1), QStringLiteral("12"));
      break;
    case Edit::PortCombo:
      w.Combo(res::main_window::kPort)->setFocus();
      QTest::keyClick(w.Combo(res::main_window::kPort), Qt::Key_Down);
      break;
    case Edit::PowerOnText:
      test::TypeInto(w.Edit(res::main_window::kPowerOnText1), QStringLiteral("HI"));
      break;
    case Edit::BaseSliderKey:
      w.Band(0)->baseSlider()->setFocus();
      QTest::keyClick(w.Band(0)->baseSlider(), Qt::Key_Right);
      break;
  }
}

QString WriteDefaultsFile(const QTemporaryDir& dir, const QString& name) {
  CalibrationImage image;
  image.LoadDefaults();
  const auto bytes = image.ToBytes();
  QFile file(dir.filePath(name));
  if (!file.open(QIODevice::WriteOnly)) return {};
  file.write(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
  return file.fileName();
}

}  // namespace

class UnsavedWorkTest : public QObject {
  Q_OBJECT

 private slots:
  void userEditsMarkTheTitleUntilSaved_data();
  void userEditsMarkTheTitleUntilSaved();
  void openStartsCleanAndReadIsUnsaved();
  void closingAsksOnlyForUnsavedWork_data();
  void closingAsksOnlyForUnsavedWork();
  void openAsksBeforeUnsavedWorkIsReplaced();
  void writingDefaultsAsksFirst_data();
  void writingDefaultsAsksFirst();
};

void UnsavedWorkTest::userEditsMarkTheTitleUntilSaved_data() {
  QTest::addColumn<Edit>("edit");
  QTest::newRow("level slider drag") << Edit::LevelDrag;
  QTest::newRow("level box typed") << Edit::LevelBox;
  QTest::newRow("port chosen") << Edit::PortCombo;
  QTest::newRow("power-on text typed") << Edit::PowerOnText;
  QTest::newRow("base slider key") << Edit::BaseSliderKey;
}

void UnsavedWorkTest::userEditsMarkTheTitleUntilSaved() {
  QFETCH(Edit, edit);
  QTemporaryDir dir;
  MainWindow w;
  QCOMPARE(w.dlg->windowTitle(), kTitle + " - 未命名[*]");
  QTest::qWait(50);  // the pages have painted: their loads are no edits
  QVERIFY(!w.dlg->isWindowModified());
  MakeEdit(w, edit);
  QVERIFY(w.dlg->isWindowModified());
  w.script.savePaths << dir.filePath("edited");
  w.dlg->OnSave();
  QCOMPARE(w.dlg->windowTitle(), kTitle + " - edited.dat[*]");
  QVERIFY(!w.dlg->isWindowModified());
  MakeEdit(w, Edit::LevelBox);
  QVERIFY(w.dlg->isWindowModified());
  w.RunJob(res::main_window::kWrite);  // no radio answers; a write saves nothing anyway
  QVERIFY(w.dlg->isWindowModified());
}

void UnsavedWorkTest::openStartsCleanAndReadIsUnsaved() {
  QTemporaryDir dir;
  MainWindow w;
  MakeEdit(w, Edit::LevelBox);
  w.script.openPaths << WriteDefaultsFile(dir, "cal.dat");
  w.dlg->OnOpen();
  QCOMPARE(w.dlg->windowTitle(), kTitle + " - cal.dat[*]");
  QTest::qWait(50);
  QVERIFY(!w.dlg->isWindowModified());
  w.dlg->job().reports().PostFinished(TRANSFER_READ,
                                      test::Outcome(TransferOutcome::Result::Success));
  QTRY_VERIFY(w.dlg->isWindowModified());
  QCOMPARE(w.dlg->windowTitle(), kTitle + " - cal.dat[*]");
}

void UnsavedWorkTest::closingAsksOnlyForUnsavedWork_data() {
  QTest::addColumn<bool>("edited");
  QTest::addColumn<bool>("escape");  // or the close box
  QTest::addColumn<Choice>("choice");
  QTest::addColumn<QString>("savePath");  // empty: the save chooser is cancelled
  QTest::addColumn<bool>("closes");
  QTest::newRow("clean") << false << false << Choice::Cancel << "" << true;
  QTest::newRow("clean, Esc") << false << true << Choice::Cancel << "" << true;
  QTest::newRow("edited, cancel") << true << false << Choice::Cancel << "" << false;
  QTest::newRow("edited, Esc, cancel") << true << true << Choice::Cancel << "" << false;
  QTest::newRow("edited, discard") << true << false << Choice::Discard << "" << true;
  QTest::newRow("edited, save") << true << true << Choice::Save << "kept" << true;
  QTest::newRow("edited, save chooser cancelled") << true << false << Choice::Save << "" << false;
}

void UnsavedWorkTest::closingAsksOnlyForUnsavedWork() {
  QFETCH(bool, edited);
  QFETCH(bool, escape);
  QFETCH(Choice, choice);
  QFETCH(QString, savePath);
  QFETCH(bool, closes);
  QTemporaryDir dir;
  MainWindow w;
  if (edited) MakeEdit(w, Edit::PowerOnText);
  w.script.saveChoice = choice;
  if (!savePath.isEmpty()) w.script.savePaths << dir.filePath(savePath);
  if (escape) {
    w.dlg->activateWindow();
    QTest::keyClick(w.dlg.get(), Qt::Key_Escape);
  } else {
    w.dlg->close();
  }
  QCOMPARE(w.script.saveChangesQuestions, edited ? 1 : 0);
  QCOMPARE(w.dlg->isVisible(), !closes);
  QCOMPARE(QFileInfo::exists(dir.filePath(savePath + ".dat")), !savePath.isEmpty());
}

void UnsavedWorkTest::openAsksBeforeUnsavedWorkIsReplaced() {
  QTemporaryDir dir;
  MainWindow w;
  MakeEdit(w, Edit::LevelDrag);
  w.script.openPaths << WriteDefaultsFile(dir, "other.dat");
  w.script.saveChoice = Choice::Cancel;
  w.dlg->OnOpen();
  QCOMPARE(w.script.saveChangesQuestions, 1);
  QCOMPARE(w.script.openChooserCalls, 0);
  QVERIFY(w.dlg->isWindowModified());

  w.script.saveChoice = Choice::Discard;
  w.dlg->OnOpen();
  QCOMPARE(w.script.saveChangesQuestions, 2);
  QCOMPARE(w.script.openChooserCalls, 1);
  QVERIFY(!w.dlg->isWindowModified());
  w.dlg->OnOpen();  // clean now: no question, and the chooser cancelled changes nothing
  QCOMPARE(w.script.saveChangesQuestions, 2);
  QCOMPARE(w.dlg->windowTitle(), kTitle + " - other.dat[*]");
}

void UnsavedWorkTest::writingDefaultsAsksFirst_data() {
  QTest::addColumn<bool>("read");  // or opened from a file
  QTest::newRow("after a read") << true;
  QTest::newRow("after an open") << false;
}

void UnsavedWorkTest::writingDefaultsAsksFirst() {
  QFETCH(bool, read);
  QTemporaryDir dir;
  MainWindow w;
  w.script.yes = false;
  MakeEdit(w, Edit::LevelBox);  // edited defaults are still defaults nobody read or opened
  QTest::mouseClick(w.Button(res::main_window::kWrite), Qt::LeftButton);
  QCOMPARE(w.script.yesNoQuestions,
           QStringList{"尚未读出或打开校准数据，确定要把默认值写入对讲机吗?"});
  QVERIFY(w.Idle());
  QVERIFY(!w.Band(0)->job().IsRunning());
  QTest::qWait(100);
  QVERIFY(w.presenter.texts().empty());  // no job started

  if (read) {
    w.dlg->job().reports().PostFinished(TRANSFER_READ,
                                        test::Outcome(TransferOutcome::Result::Success));
    QCoreApplication::sendPostedEvents(&w.dlg->job().reports());
  } else {
    w.script.openPaths << WriteDefaultsFile(dir, "cal.dat");
    w.dlg->OnOpen();
  }
  w.RunJob(res::main_window::kWrite);
  QCOMPARE(w.script.yesNoQuestions.size(), 1);
  QCOMPARE(w.presenter.texts().size(), 1u);  // the job ran: no radio answered
}

QTEST_MAIN(UnsavedWorkTest)
#include "UnsavedWorkTest.moc"
