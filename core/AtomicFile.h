#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace velmora {

// Replaces a file so that it is either fully replaced or left byte-identical: the bytes go to a
// temporary file in the same folder, which is flushed to disk and renamed over the target, and
// the folder is synced. An existing file keeps its mode; a symbolic link keeps pointing at the
// file it names, which is what gets replaced.
class AtomicFile {
 public:
  // 0 on success, else the errno of the failing step (the temporary file is removed).
  static int Write(const std::string& path, std::span<const std::uint8_t> bytes);
};

}  // namespace velmora
