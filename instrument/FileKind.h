#pragma once

#include <QString>

namespace velmora {

// What kind of file a path names, asked before opening it: opening a FIFO waits for a writer,
// and opening a device can itself act on it.
class FileKind {
 public:
  enum class Kind { Missing, Regular, Folder, Fifo, CharacterDevice, BlockDevice, Socket, Other };

  // Follows links to what they finally name.
  static Kind Of(const QString& path);
  // "a FIFO", "a character device", ... for a message.
  static QString Describe(Kind kind);
};

}  // namespace velmora
