#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

#include "ui/QtTranslations.h"

namespace velmora {

// What the window remembers from one run to the next, in the program's one settings file
// (SettingsFile: ~/.config/Velmora/velmora.conf): the folder of the last Open or Save, the recent
// files, the window's place, the band tab, the language chosen in the menu and the alignment plans'
// folder.
class UserSettings {
 public:
  static constexpr int kMaxRecentFiles = 8;

  UserSettings();

  QString lastFolder() const;
  QStringList recentFiles() const;
  // A file opened or saved: its folder becomes the last one and it heads the recent files.
  void fileUsed(const QString& path);
  void forgetRecentFile(const QString& path);

  // The folder of the alignment plan chosen last.
  QString planFolder() const;
  void setPlanFolder(const QString& folder);

  QByteArray windowGeometry() const;
  void setWindowGeometry(const QByteArray& geometry);
  int bandTab() const;
  void setBandTab(int index);
  std::optional<QtTranslations::Language> language() const;
  void setLanguage(QtTranslations::Language language);

 private:
  std::unique_ptr<QSettings> m_settings;
};

}  // namespace velmora
