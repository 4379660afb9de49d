#pragma once

#include <QCoreApplication>
#include <QKeySequence>
#include <QObject>
#include <QPointer>

#include "ui/QtTranslations.h"

class QAction;
class QMenu;
class QMenuBar;
class QPushButton;

namespace velmora {

class CommandHost;
class LotStatisticsDlg;
class ManualWindow;
class UserSettings;
struct WindowPrompts;

// The main window's menu bar, keys and button hints: every command of the window reachable from
// the menu with the keys other desktop programs use (Ctrl+O, Ctrl+S, Ctrl+Shift+S, Ctrl+Q, F1),
// F8 and F9 for Read and Write, mnemonics and tooltips on the four buttons, the recent files and
// the language.
class MainWindowCommands : public QObject {
  Q_OBJECT

 public:
  // The same keys on every desktop, whatever its own bindings say.
  static constexpr QKeyCombination kOpenKey = Qt::CTRL | Qt::Key_O;
  static constexpr QKeyCombination kSaveKey = Qt::CTRL | Qt::Key_S;
  static constexpr QKeyCombination kSaveAsKey = Qt::CTRL | Qt::SHIFT | Qt::Key_S;
  static constexpr QKeyCombination kQuitKey = Qt::CTRL | Qt::Key_Q;
  static constexpr QKeyCombination kManualKey = Qt::Key_F1;
  static constexpr QKeyCombination kReadKey = Qt::Key_F8;
  static constexpr QKeyCombination kWriteKey = Qt::Key_F9;
  static constexpr const char* kManualUrl = "man:velmora";

  // window: the parent of the menu bar and the commands' dialogs; host: what the commands do in it.
  MainWindowCommands(QWidget* window, CommandHost& host, UserSettings* settings,
                     const WindowPrompts* prompts);

  QMenuBar* menuBar() const { return m_menuBar; }
  // The meter settings dialog; what the user accepts is stored with the program's settings, which
  // velmora-cli reads too. True when accepted.
  bool EditMeterSettings();
  QMenu* recentMenu() const { return m_recent; }
  // The manual's own window, once Help -> Manual found no viewer for man: pages.
  ManualWindow* manualWindow() const;
  // 查看 → 批次统计: the one statistics window, opened or brought to the front.
  void OpenLotStatistics();
  LotStatisticsDlg* lotStatistics() const;

 private:
  QMenu* AddMenu(const char* title);
  QAction* AddAction(QMenu* menu, const char* text, QKeySequence key = {});
  void BuildFileMenu();
  void BuildRadioMenu();
  void BuildViewAndSettings();
  void BuildHelpMenu();
  void DecorateButton(int id, const char* text, const char* tip, const QKeySequence& key);
  void FillRecentMenu();
  void ChooseLanguage(QtTranslations::Language language);
  void OpenManual();

  QWidget* m_window;
  CommandHost& m_host;
  UserSettings* m_settings;
  const WindowPrompts* m_prompts;
  QMenuBar* m_menuBar;
  QMenu* m_recent = nullptr;
  QPointer<ManualWindow> m_manual;
  QPointer<LotStatisticsDlg> m_lotStatistics;
};

}  // namespace velmora
