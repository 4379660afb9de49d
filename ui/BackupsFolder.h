#pragma once

#include <QList>
#include <QString>
#include <QUrl>

namespace velmora {

// The folder where every write keeps the radio's old bytes, within the desktop's reach: opened
// in its file manager, and offered in the side bar of the file choosers.
class BackupsFolder {
 public:
  // The folder, created when missing (an empty folder shows better than none).
  static QString Path();
  // Shows the folder in the desktop's file manager; false when the desktop could not.
  static bool Open();
  // A chooser's side bar entries with the backups folder added last (once).
  static QList<QUrl> WithSidebarEntry(QList<QUrl> urls);
};

}  // namespace velmora
