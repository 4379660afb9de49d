#pragma once

#include <string>

#include "sim/SimulatedRadio.h"

namespace velmora::sim {

// The simulated radio's memory kept in a file of exactly 8192 raw bytes.
class MemoryFile {
 public:
  enum class LoadResult { Loaded, Missing, Failed };
  // Missing leaves memory untouched; a file of another size is Failed, so that it never gets
  // overwritten by a later save.
  static LoadResult Load(const std::string& path, RadioMemory& memory, std::string* error);
  // Replaces the file atomically (temporary file in the same folder, flushed, renamed over it).
  static bool Save(const std::string& path, const RadioMemory& memory, std::string* error);
};

}  // namespace velmora::sim
