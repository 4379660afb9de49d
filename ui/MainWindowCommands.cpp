#include "ui/MainWindowCommands.h"

#include <QActionGroup>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

#include "instrument/InstrumentSettings.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"
#include "ui/BackupsFolder.h"
#include "ui/CommandHost.h"
#include "ui/LotStatisticsDlg.h"
#include "ui/ManualWindow.h"
#include "ui/MeterSettingsDlg.h"
#include "ui/QtMessagePresenter.h"
#include "ui/QtTranslations.h"
#include "ui/UserSettings.h"
#include "ui/WindowPrompts.h"
#include "ui/pages/CBandPageDlg.h"

namespace velmora {

MainWindowCommands::MainWindowCommands(QWidget* window, CommandHost& host, UserSettings* settings,
                                       const WindowPrompts* prompts)
    : QObject(window),
      m_window(window),
      m_host(host),
      m_settings(settings),
      m_prompts(prompts),
      m_menuBar(new QMenuBar(window)) {
  BuildFileMenu();
  BuildRadioMenu();
  BuildViewAndSettings();
  BuildHelpMenu();
  namespace ids = res::main_window;
  DecorateButton(ids::kRead, QT_TR_NOOP("读出(&R)"), QT_TR_NOOP("从对讲机读出校准数据 (%1)"),
                 kReadKey);
  DecorateButton(ids::kWrite, QT_TR_NOOP("写入(&W)"),
                 QT_TR_NOOP("把窗口中的校准数据写入对讲机 (%1)"), kWriteKey);
  DecorateButton(ids::kSave, QT_TR_NOOP("保存(&S)"), QT_TR_NOOP("把校准数据另存为 .dat 文件 (%1)"),
                 kSaveAsKey);
  DecorateButton(ids::kOpen, QT_TR_NOOP("打开(&O)"), QT_TR_NOOP("打开 .dat 校准文件 (%1)"),
                 kOpenKey);
}

QMenu* MainWindowCommands::AddMenu(const char* title) { return m_menuBar->addMenu(tr(title)); }

QAction* MainWindowCommands::AddAction(QMenu* menu, const char* text, QKeySequence key) {
  QAction* action = menu->addAction(tr(text));
  action->setShortcut(key);
  return action;
}

void MainWindowCommands::BuildFileMenu() {
  QMenu* file = AddMenu(QT_TR_NOOP("文件(&F)"));
  connect(AddAction(file, QT_TR_NOOP("打开(&O)..."), kOpenKey), &QAction::triggered, m_window,
          [this] { m_host.OnOpen(); });
  m_recent = file->addMenu(tr("最近打开的文件(&R)"));
  connect(m_recent, &QMenu::aboutToShow, this, &MainWindowCommands::FillRecentMenu);
  FillRecentMenu();
  connect(AddAction(file, QT_TR_NOOP("保存(&S)"), kSaveKey), &QAction::triggered, m_window,
          [this] { m_host.SaveToCurrentFile(); });
  connect(AddAction(file, QT_TR_NOOP("另存为(&A)..."), kSaveAsKey), &QAction::triggered, m_window,
          [this] { m_host.OnSave(); });
  connect(AddAction(file, QT_TR_NOOP("历史记录(&H)...")), &QAction::triggered, this,
          [this] { m_host.ShowHistory(); });
  file->addSeparator();
  connect(AddAction(file, QT_TR_NOOP("退出(&Q)"), kQuitKey), &QAction::triggered, m_window,
          &QWidget::close);
}

// The menu entries click the buttons, so they ask what the buttons ask and do nothing while
// the buttons are disabled.
void MainWindowCommands::BuildRadioMenu() {
  QMenu* radio = AddMenu(QT_TR_NOOP("对讲机(&A)"));
  const std::pair<int, QAction*> entries[] = {
      {res::main_window::kRead, AddAction(radio, QT_TR_NOOP("读出(&R)"), kReadKey)},
      {res::main_window::kWrite, AddAction(radio, QT_TR_NOOP("写入(&W)..."), kWriteKey)}};
  for (const auto& [id, action] : entries) {
    auto* button = qobject_cast<QPushButton*>(m_host.Control(id));
    connect(action, &QAction::triggered, button, &QPushButton::click);
  }
  radio->addSeparator();
  // The band page's own buttons, of the band shown: they rest while a transfer runs.
  const std::pair<const char*, QPushButton* (CBandPageDlg::*)() const> aligns[] = {
      {QT_TR_NOOP("自动校准(&L)..."), &CBandPageDlg::alignTableButton},
      {QT_TR_NOOP("整段自动校准(&B)..."), &CBandPageDlg::alignBandButton}};
  for (const auto& [text, button] : aligns) {
    connect(AddAction(radio, text), &QAction::triggered, this,
            [this, button] { (m_host.ShownBandPage()->*button)()->click(); });
  }
  connect(AddAction(radio, QT_TR_NOOP("产线模式(&P)...")), &QAction::triggered, this,
          [this] { m_host.EnterStationMode(); });
  radio->addSeparator();
  connect(AddAction(radio, QT_TR_NOOP("打开备份文件夹"), {}), &QAction::triggered, m_window,
          [this] {
            // Without a file manager the technician still learns where the backups are.
            if (!BackupsFolder::Open()) {
              QMessageBox::information(m_window, QtMessagePresenter::kTitle,
                                       tr("备份文件夹: %1").arg(BackupsFolder::Path()));
            }
          });
}

void MainWindowCommands::BuildViewAndSettings() {
  QMenu* view = AddMenu(QT_TR_NOOP("查看(&V)"));
  connect(AddAction(view, QT_TR_NOOP("曲线(&C)")), &QAction::triggered, m_window,
          [this] { m_host.OnCurves(); });
  connect(AddAction(view, QT_TR_NOOP("批次统计(&S)...")), &QAction::triggered, this,
          &MainWindowCommands::OpenLotStatistics);
  QMenu* settings = AddMenu(QT_TR_NOOP("设置(&T)"));
  connect(AddAction(settings, QT_TR_NOOP("功率计(&M)...")), &QAction::triggered, this,
          &MainWindowCommands::EditMeterSettings);
  QMenu* languages = settings->addMenu(tr("语言(&L)"));
  auto* group = new QActionGroup(this);
  // Each language named in itself, so a user who cannot read the other one finds it.
  const std::pair<QtTranslations::Language, QString> names[] = {
      {QtTranslations::Language::Chinese, QStringLiteral("中文")},
      {QtTranslations::Language::English, QStringLiteral("English")}};
  for (const auto& [language, name] : names) {
    QAction* action = languages->addAction(name);
    action->setCheckable(true);
    action->setChecked(language == QtTranslations::Installed());
    group->addAction(action);
    connect(action, &QAction::triggered, this, [this, language] { ChooseLanguage(language); });
  }
}

void MainWindowCommands::BuildHelpMenu() {
  QMenu* help = AddMenu(QT_TR_NOOP("帮助(&H)"));
  connect(AddAction(help, QT_TR_NOOP("手册(&M)"), kManualKey), &QAction::triggered, this,
          &MainWindowCommands::OpenManual);
  const QString about =
      QCoreApplication::translate("StringTable", res::LoadResString(res::IDS_ABOUTBOX).data());
  connect(help->addAction(about), &QAction::triggered, m_window,
          [this] { m_host.OnSysCommand(res::IDM_ABOUTBOX); });
}

void MainWindowCommands::DecorateButton(int id, const char* text, const char* tip,
                                        const QKeySequence& key) {
  auto* button = qobject_cast<QPushButton*>(m_host.Control(id));
  button->setText(tr(text));
  button->setToolTip(tr(tip).arg(key.toString(QKeySequence::NativeText)));
}

// Filled when it opens, so it lists what this and any other window opened last.
void MainWindowCommands::FillRecentMenu() {
  m_recent->clear();
  const QStringList files = m_settings->RecentFiles();
  for (int i = 0; i < files.size(); ++i) {
    const QString path = files.at(i);
    const QString text = QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(path));
    connect(m_recent->addAction(text), &QAction::triggered, m_window, [this, path] {
      if (!QFileInfo::exists(path)) m_settings->ForgetRecentFile(path);
      m_host.OpenNamed(path);
    });
  }
  m_recent->setEnabled(!files.isEmpty());
}

bool MainWindowCommands::EditMeterSettings() {
  const auto stored = InstrumentSettings::ProgramSettings();
  MeterSettingsDlg dialog(InstrumentSettings::Load(*stored), m_window);
  if (dialog.exec() != QDialog::Accepted) return false;
  dialog.Settings().Save(*stored);
  return true;
}

void MainWindowCommands::ChooseLanguage(QtTranslations::Language language) {
  m_settings->SetLanguage(language);
  m_prompts->notify(m_window, tr("下次启动 Velmora 时使用所选语言。"));
}

ManualWindow* MainWindowCommands::manualWindow() const { return m_manual; }

LotStatisticsDlg* MainWindowCommands::lotStatistics() const { return m_lotStatistics; }

// One statistics window beside the main window, which stays usable while a lot is read.
void MainWindowCommands::OpenLotStatistics() {
  if (!m_lotStatistics) {
    m_lotStatistics =
        new LotStatisticsDlg(LotStatisticsDlg::Sources::Program(), *m_prompts, m_window);
    m_lotStatistics->setAttribute(Qt::WA_DeleteOnClose);
  }
  m_lotStatistics->show();
  m_lotStatistics->raise();
  m_lotStatistics->activateWindow();
}

// The manual page the package installs through the desktop's help viewer, or, where the desktop
// has none (xdg-open then fails with nothing on screen), the README in a window of our own.
void MainWindowCommands::OpenManual() {
  if (ManualWindow::DesktopHasViewer() &&
      QDesktopServices::openUrl(QUrl(QString::fromLatin1(kManualUrl))))
    return;
  if (!m_manual) m_manual = new ManualWindow(m_window);
  m_manual->show();
  m_manual->raise();
  m_manual->activateWindow();
}

}  // namespace velmora
