#include "core/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <random>

namespace velmora {
namespace {

namespace fs = std::filesystem;

// Closes the descriptor and removes the temporary file unless the save got through.
class TempFile {
 public:
  explicit TempFile(const fs::path& folder) {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
      m_path = folder / (".velmora-" + std::to_string(::getpid()) + "-" +
                         std::to_string(counter++) + "-" + std::to_string(random()) + ".tmp");
      m_fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (m_fd < 0 && errno != EEXIST) break;
    }
  }
  ~TempFile() {
    if (m_fd >= 0) ::close(m_fd);
    if (!m_kept) ::unlink(m_path.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  int fd() const { return m_fd; }
  const fs::path& path() const { return m_path; }
  bool Close() {
    const int fd = m_fd;
    m_fd = -1;
    return ::close(fd) == 0;
  }
  void Keep() { m_kept = true; }

 private:
  fs::path m_path;
  int m_fd = -1;
  bool m_kept = false;
};

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// A save through a symbolic link replaces the file it points to, not the link.
fs::path ResolveTarget(const fs::path& path) {
  std::error_code ec;
  if (fs::is_symlink(fs::symlink_status(path, ec))) {
    const fs::path resolved = fs::weakly_canonical(path, ec);
    if (!ec) return resolved;
  }
  return path;
}

void SyncFolder(const fs::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

int WriteAtomicallyTo(const fs::path& target, std::span<const std::uint8_t> bytes) {
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  TempFile temp(folder);
  if (temp.fd() < 0) return errno;
  struct stat existing {};
  if (::stat(target.c_str(), &existing) == 0) ::fchmod(temp.fd(), existing.st_mode & 07777);
  if (!WriteAll(temp.fd(), bytes.data(), bytes.size())) return errno;
  if (::fsync(temp.fd()) != 0) return errno;
  if (!temp.Close()) return errno;
  if (::rename(temp.path().c_str(), target.c_str()) != 0) return errno;
  temp.Keep();
  SyncFolder(folder);
  return 0;
}

}  // namespace

int AtomicFile::Write(const std::string& path, std::span<const std::uint8_t> bytes) {
  return WriteAtomicallyTo(ResolveTarget(path), bytes);
}

}  // namespace velmora
