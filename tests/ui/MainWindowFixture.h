#pragma once

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "instrument/SettingsFile.h"
#include "res/ResourceIds.h"
#include "tests/support/TestPorts.h"
#include "ui/CAlignMainDlg.h"
#include "ui/controls/CStyledTabCtrl.h"
#include "ui/pages/CBandPageDlg.h"
#include "ui/pages/CLevelTableDlg.h"

namespace velmora::test {

// The windows of a test program keep their settings (the instruments' too), and their backups
// and production records, in folders of its own, gone at its end.
inline const bool kSettingsInTemporaryFolder = [] {
  static QTemporaryDir folder, data;
  qputenv("XDG_CONFIG_HOME", folder.path().toUtf8());
  qputenv("XDG_DATA_HOME", data.path().toUtf8());
  return true;
}();

// What the windows remembered so far, forgotten; the meter's settings, in the same file, stay.
inline void ForgetSettings() {
  auto settings = SettingsFile::Open();
  for (const QString& key : settings->allKeys()) {
    if (!key.startsWith(QLatin1String("instruments/"))) settings->remove(key);
  }
}

// Calls act once with the widget find() returns, as soon as it returns one: the way to answer a
// modal box or a popup menu that blocks the test inside exec(). Gives up after timeoutMs.
inline void WhenShown(std::function<QWidget*()> find, std::function<void(QWidget*)> act,
                      int timeoutMs = 5000) {
  auto* timer = new QTimer(qApp);
  timer->setInterval(10);
  auto ticks = std::make_shared<int>(timeoutMs / 10);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, find, act, ticks] {
    QWidget* widget = find();
    if (!widget && --*ticks > 0) return;
    timer->stop();
    timer->deleteLater();
    if (widget) act(widget);
  });
  timer->start();
}

template <class T>
void WhenModal(std::function<void(T*)> act) {
  WhenShown([] { return qobject_cast<T*>(QApplication::activeModalWidget()); },
            [act](QWidget* w) { act(static_cast<T*>(w)); });
}

// What the window asked the user and told the user, with scripted answers.
struct PromptScript {
  QStringList savePaths;  // answers of the save chooser, in order ("" = cancel)
  QStringList openPaths;
  bool replace = true;
  int saveChooserCalls = 0;
  int openChooserCalls = 0;
  QStringList chooserFolders;  // where each chooser started
  QStringList replaceQuestions;
  QStringList notices;
  WindowPrompts::SaveChoice saveChoice = WindowPrompts::SaveChoice::Discard;
  int saveChangesQuestions = 0;
  bool yes = true;
  QStringList yesNoQuestions;
  std::function<void()> whileChoosing;  // runs inside either chooser, as a user taking time
  QStringList reportQuestions;          // the outcomes shown with "保存校准报告吗?"
  bool realReportQuestion = false;      // the platform's box answers it, as the user sees it
  QStringList planPaths;                // answers of the plan and report choosers
  QStringList reportPaths;
  QStringList lotReportPaths;

  WindowPrompts Prompts() {
    WindowPrompts p;
    p.chooseSavePath = [this](QWidget*, const QString& folder) {
      ++saveChooserCalls;
      chooserFolders << folder;
      if (whileChoosing) whileChoosing();
      return savePaths.isEmpty() ? QString() : savePaths.takeFirst();
    };
    p.chooseOpenPath = [this](QWidget*, const QString& folder) {
      ++openChooserCalls;
      chooserFolders << folder;
      if (whileChoosing) whileChoosing();
      return openPaths.isEmpty() ? QString() : openPaths.takeFirst();
    };
    p.confirmReplace = [this](QWidget*, const QString& path) {
      replaceQuestions << path;
      return replace;
    };
    p.notify = [this](QWidget*, const QString& text) { notices << text; };
    p.askSaveChanges = [this](QWidget*) {
      ++saveChangesQuestions;
      return saveChoice;
    };
    p.askYesNo = [this](QWidget*, const QString& question) {
      yesNoQuestions << question;
      return yes;
    };
    p.askSaveReport = [this](QWidget* parent, const QString& outcome) {
      reportQuestions << outcome;
      return realReportQuestion ? WindowPrompts::Interactive().askSaveReport(parent, outcome) : yes;
    };
    p.choosePlanPath = [this](QWidget*, const QString& folder) {
      chooserFolders << folder;
      return planPaths.isEmpty() ? QString() : planPaths.takeFirst();
    };
    p.chooseReportPath = [this](QWidget*, const QString& folder) {
      chooserFolders << folder;
      return reportPaths.isEmpty() ? QString() : reportPaths.takeFirst();
    };
    p.chooseLotReportPath = [this](QWidget*, const QString& folder) {
      chooserFolders << folder;
      return lotReportPaths.isEmpty() ? QString() : lotReportPaths.takeFirst();
    };
    return p;
  }
};

// The whole main window, shown, with scaled-timing ports that see only the test's radios, a
// presenter that records job outcomes instead of showing boxes, and scripted questions. It
// starts as on a first run unless told to keep what an earlier window remembered.
struct MainWindow {
  // charts: the chart view's functions for the curves, null for the chart module.
  explicit MainWindow(bool holdMessages = false, bool keepSettings = false,
                      const ChartView* charts = nullptr)
      : presenter(holdMessages) {
    if (!keepSettings) ForgetSettings();
    dlg = std::make_unique<CAlignMainDlg>(
        nullptr, MainWindowServices{MakeScaledPort, &presenter, script.Prompts(), charts});
    dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
  }
  ~MainWindow() {
    presenter.Release();
    WaitUntilIdle();
  }

  QPushButton* Button(int id) const { return qobject_cast<QPushButton*>(dlg->Control(id)); }
  QComboBox* Combo(int id) const { return qobject_cast<QComboBox*>(dlg->Control(id)); }
  QLineEdit* Edit(int id) const { return qobject_cast<QLineEdit*>(dlg->Control(id)); }
  CBandPageDlg* Band(int band) const { return dlg->bandPage(band); }
  CLevelTableDlg* Level(int band, int table) const { return Band(band)->levelPage(table); }
  QLineEdit* BandEdit(int band, int id) const { return Band(band)->ControlAs<QLineEdit>(id); }

  bool ButtonsEnabled() const {
    for (int id : {res::main_window::kRead, res::main_window::kWrite, res::main_window::kSave,
                   res::main_window::kOpen}) {
      if (!Button(id)->isEnabled()) return false;
    }
    return true;
  }
  // Every job has ended and the window has taken note of it.
  bool Idle() const {
    return dlg->gate().IsOpen() && ButtonsEnabled() && !Band(0)->IsLiveTuneDeferred() &&
           !Band(1)->IsLiveTuneDeferred();
  }
  void WaitUntilIdle(int timeoutMs = 20000) const { QTRY_VERIFY_WITH_TIMEOUT(Idle(), timeoutMs); }
  // Clicks a command button and waits for its job to end.
  void RunJob(int buttonId) {
    QTest::mouseClick(Button(buttonId), Qt::LeftButton);
    QVERIFY(!ButtonsEnabled());
    WaitUntilIdle();
  }

  RecordingPresenter presenter;
  PromptScript script;
  std::unique_ptr<CAlignMainDlg> dlg;
};

}  // namespace velmora::test
