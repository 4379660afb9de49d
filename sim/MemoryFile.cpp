#include "sim/MemoryFile.h"

#include <cerrno>

#include "core/SafeFile.h"

namespace velmora::sim {

MemoryFile::LoadResult MemoryFile::Load(const std::string& path, RadioMemory& memory,
                                        std::string* error) {
  std::vector<std::uint8_t> bytes;
  std::uintmax_t size = 0;
  const SafeFile::Result read = SafeFile::Read(path, memory.size(), bytes, size);
  if (!read.opened && read.error == ENOENT) return LoadResult::Missing;
  if (!read.ok()) {
    if (error) {
      *error = path + ": " + read.Text() +
               (read.refusal == SafeFile::Refusal::NotRegular ? ", not a memory file" : "");
    }
    return LoadResult::Failed;
  }
  if (bytes.size() != memory.size() || size != memory.size()) {
    if (error) *error = path + ": not a memory file of " + std::to_string(kMemorySize) + " bytes";
    return LoadResult::Failed;
  }
  std::copy(bytes.begin(), bytes.end(), memory.begin());
  return LoadResult::Loaded;
}

bool MemoryFile::Save(const std::string& path, const RadioMemory& memory, std::string* error) {
  const SafeFile::Result result = SafeFile::Write(path, memory);
  if (!result.ok() && error) {
    *error = path + ": " + result.Text() +
             (result.refusal == SafeFile::Refusal::NotRegular ? ", not a memory file" : "");
  }
  return result.ok();
}

}  // namespace velmora::sim
