#pragma once

#include <sys/types.h>

#include <cstdint>
#include <span>
#include <string>

namespace velmora {

// Replaces a file so that it is either fully replaced or left byte-identical: the bytes go to a
// temporary file in the same folder, which is flushed to disk and renamed over the target, and
// the folder is synced.
//
// A chain of symbolic links is followed to the file it finally names, which is what gets
// replaced (in its own folder) or created; the links stay links. A target that exists but is no
// regular file is refused, and so is a file its user may not write, even for root when no write
// bit is set. An existing file keeps its mode and, where the process may set it, its owner. A
// writable file in a folder that refuses new files is overwritten in place instead. Temporaries
// left by an interrupted save are removed by the next save to that folder.
class AtomicFile {
 public:
  struct Result {
    int error = 0;        // errno of the failing step; 0 when written (or writable)
    std::string refusal;  // why the target is no file to write, e.g. "a FIFO"; nothing written
    bool ok() const { return error == 0 && refusal.empty(); }
  };

  static Result Write(const std::string& path, std::span<const std::uint8_t> bytes);
  // The checks of Write without writing anything: the target is a regular file its user may
  // write, or a name that can be created in an existing, writable folder.
  static Result CheckWritable(const std::string& path);

  // What a file of this mode is, for a refusal: "a folder", "a FIFO", "a device", "a socket".
  static std::string KindOf(mode_t mode);
  // The name pattern of our temporaries: ".velmora-PID-N-R.tmp"; the pid it carries, else -1.
  static pid_t TemporaryOwner(const std::string& fileName);
};

}  // namespace velmora
