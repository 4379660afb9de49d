#include "sim/MemoryFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace velmora::sim {
namespace {

bool Fail(std::string* error, const std::string& what) {
  if (error) *error = what + ": " + std::strerror(errno);
  return false;
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

MemoryFile::LoadResult MemoryFile::Load(const std::string& path, RadioMemory& memory,
                                        std::string* error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return LoadResult::Missing;
    Fail(error, path);
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
  const std::string temp = path + ".tmp-" + std::to_string(::getpid());
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return Fail(error, temp);
  const bool written = WriteAll(fd, memory.data(), memory.size()) && ::fsync(fd) == 0;
  const int savedErrno = errno;
  if (::close(fd) != 0 || !written) {
    errno = written ? errno : savedErrno;
    ::unlink(temp.c_str());
    return Fail(error, temp);
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const bool result = Fail(error, path);
    ::unlink(temp.c_str());
    return result;
  }
  return true;
}

}  // namespace velmora::sim
