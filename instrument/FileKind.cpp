#include "instrument/FileKind.h"

#include <sys/stat.h>

#include <QFile>

namespace velmora {

FileKind::Kind FileKind::Of(const QString& path) {
  struct stat info {};
  if (::stat(QFile::encodeName(path).constData(), &info) != 0) return Kind::Missing;
  if (S_ISREG(info.st_mode)) return Kind::Regular;
  if (S_ISDIR(info.st_mode)) return Kind::Folder;
  if (S_ISFIFO(info.st_mode)) return Kind::Fifo;
  if (S_ISCHR(info.st_mode)) return Kind::CharacterDevice;
  if (S_ISBLK(info.st_mode)) return Kind::BlockDevice;
  if (S_ISSOCK(info.st_mode)) return Kind::Socket;
  return Kind::Other;
}

QString FileKind::Describe(Kind kind) {
  switch (kind) {
    case Kind::Missing:
      return QStringLiteral("missing");
    case Kind::Regular:
      return QStringLiteral("a file");
    case Kind::Folder:
      return QStringLiteral("a folder");
    case Kind::Fifo:
      return QStringLiteral("a FIFO");
    case Kind::CharacterDevice:
      return QStringLiteral("a character device");
    case Kind::BlockDevice:
      return QStringLiteral("a block device");
    case Kind::Socket:
      return QStringLiteral("a socket");
    case Kind::Other:
      break;
  }
  return QStringLiteral("no regular file");
}

}  // namespace velmora
