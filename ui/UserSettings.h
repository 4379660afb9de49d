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

  QString LastFolder() const;
  QStringList RecentFiles() const;
  // A file opened or saved: its folder becomes the last one and it heads the recent files.
  void FileUsed(const QString& path);
  void ForgetRecentFile(const QString& path);

  // The folder of the alignment plan chosen last.
  QString PlanFolder() const;
  void SetPlanFolder(const QString& folder);

  QByteArray WindowGeometry() const;
  void SetWindowGeometry(const QByteArray& geometry);
  int BandTab() const;
  void SetBandTab(int index);
  std::optional<QtTranslations::Language> Language() const;
  void SetLanguage(QtTranslations::Language language);

 private:
  std::unique_ptr<QSettings> m_settings;
};

}  // namespace velmora
