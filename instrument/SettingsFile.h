#pragma once

#include <QSettings>
#include <QString>
#include <memory>

namespace velmora {

// The one settings file of the window and every command: velmora.conf in the user's config
// folder ($XDG_CONFIG_HOME/Velmora/velmora.conf, INI format). The files earlier versions kept
// (the window's velmora.ini, the meter's Velmora.conf) are carried over once, when it is missing.
class SettingsFile {
 public:
  // The user's config folder of the programs, ending in '/': the settings and their own dialects.
  static QString Folder();
  static QString Path();
  // Why the file cannot be used, such as "…/velmora.conf: a FIFO, not a settings file"; empty
  // when it is a regular file or missing. Reading a FIFO would wait for a writer forever.
  static QString Fault();
  // The settings; when Fault() is not empty, settings kept in memory only, so that nothing waits
  // on or writes to what stands in the file's place.
  static std::unique_ptr<QSettings> Open();

 private:
  static void CarryOverOldFiles(QSettings& settings);
};

}  // namespace velmora
