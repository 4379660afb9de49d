#include "sim/MemoryFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/AtomicFile.h"

namespace velmora::sim {
namespace {

bool Fail(std::string* error, const std::string& what) {
  if (error) *error = what + ": " + std::strerror(errno);
  return false;
}

}  // namespace

MemoryFile::LoadResult MemoryFile::Load(const std::string& path, RadioMemory& memory,
                                        std::string* error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return LoadResult::Missing;
    Fail(error, path);
    return LoadResult::Failed;
  }
  struct stat info {};
  if (::fstat(fd, &info) == 0 && !S_ISREG(info.st_mode)) {
    ::close(fd);
    if (error) *error = path + ": " + AtomicFile::KindOf(info.st_mode) + ", not a memory file";
    return LoadResult::Failed;
  }
  RadioMemory loaded{};
  std::size_t total = 0;
  ssize_t n = 0;
  std::uint8_t extra = 0;
  while (total < loaded.size() &&
         (n = ::read(fd, loaded.data() + total, loaded.size() - total)) != 0) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    total += static_cast<std::size_t>(n);
  }
  const bool longer = n >= 0 && ::read(fd, &extra, 1) > 0;
  ::close(fd);
  if (n < 0) {
    Fail(error, path);
    return LoadResult::Failed;
  }
  if (total != loaded.size() || longer) {
    if (error) *error = path + ": not a memory file of " + std::to_string(kMemorySize) + " bytes";
    return LoadResult::Failed;
  }
  memory = loaded;
  return LoadResult::Loaded;
}

bool MemoryFile::Save(const std::string& path, const RadioMemory& memory, std::string* error) {
  const AtomicFile::Result result = AtomicFile::Write(path, memory);
  if (!result.ok() && error) {
    *error = path + ": " +
             (result.refusal.empty() ? std::strerror(result.error)
                                     : result.refusal + ", not a memory file");
  }
  return result.ok();
}

}  // namespace velmora::sim
