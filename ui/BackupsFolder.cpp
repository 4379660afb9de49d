#include "ui/BackupsFolder.h"

#include <QDesktopServices>
#include <QDir>

#include "transfer/BackupFile.h"

namespace velmora {

QString BackupsFolder::Path() {
  const QString folder = BackupFile::Folder();
  if (!folder.isEmpty()) QDir().mkpath(folder);
  return folder;
}

bool BackupsFolder::Open() {
  const QString folder = Path();
  return !folder.isEmpty() && QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

QList<QUrl> BackupsFolder::WithSidebarEntry(QList<QUrl> urls) {
  const QString folder = Path();
  const QUrl entry = QUrl::fromLocalFile(folder);
  if (!folder.isEmpty() && !urls.contains(entry)) urls.append(entry);
  return urls;
}

}  // namespace velmora
