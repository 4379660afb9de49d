#include "core/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <climits>
#include <filesystem>
#include <random>
#include <string_view>

namespace velmora {
namespace {

namespace fs = std::filesystem;
using Result = AtomicFile::Result;

// A save takes milliseconds: a temporary this old belongs to a save that never finished.
constexpr std::chrono::minutes kStaleTemporaryAge{1};
// Links followed before giving up with ELOOP, as the kernel does for one path.
constexpr int kMaxLinkHops = 40;
constexpr std::string_view kTemporaryPrefix = ".velmora-";
constexpr std::string_view kTemporarySuffix = ".tmp";

Result Error(int error) { return {error, {}}; }

fs::path FolderOf(const fs::path& path) {
  return path.has_parent_path() ? path.parent_path() : fs::path(".");
}

// Closes the descriptor and removes the temporary file unless the save got through.
class TempFile {
 public:
  explicit TempFile(const fs::path& folder) {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
      m_path = folder / (std::string(kTemporaryPrefix) + std::to_string(::getpid()) + "-" +
                         std::to_string(counter++) + "-" + std::to_string(random()) +
                         std::string(kTemporarySuffix));
      m_fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (m_fd < 0 && errno != EEXIST) break;
    }
    m_created = m_fd >= 0;
  }
  ~TempFile() {
    const int error = errno;  // the caller reports the failure that brought it here
    if (m_fd >= 0) ::close(m_fd);
    if (m_created && !m_kept) ::unlink(m_path.c_str());
    errno = error;
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
  bool m_created = false;
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

int ReadLink(const fs::path& link, fs::path& target) {
  std::string text(PATH_MAX, '\0');
  const ssize_t n = ::readlink(link.c_str(), text.data(), text.size());
  if (n < 0) return errno;
  if (static_cast<std::size_t>(n) >= text.size()) return ENAMETOOLONG;
  text.resize(static_cast<std::size_t>(n));
  target = text;
  return 0;
}

// Follows a chain of links to the name at its end, which need not exist; a relative link
// counts from its own folder.
int FollowLinks(fs::path& path) {
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return errno == ENOENT ? 0 : errno;
    if (!S_ISLNK(info.st_mode)) return 0;
    fs::path next;
    if (const int error = ReadLink(path, next)) return error;
    path = next.is_absolute() ? next : path.parent_path() / next;
  }
  return ELOOP;
}

// Where a save lands: the file at the end of the link chain, and what is there now.
struct Target {
  fs::path path;
  bool exists = false;
  struct stat info {};
};

Result Inspect(const std::string& name, Target& target) {
  struct stat followed {};
  const bool exists = ::stat(name.c_str(), &followed) == 0;
  if (!exists && errno != ENOENT) return Error(errno);
  if (exists && !S_ISREG(followed.st_mode)) return {0, AtomicFile::KindOf(followed.st_mode)};
  target.path = name;
  if (const int error = FollowLinks(target.path)) return Error(error);
  target.exists = ::lstat(target.path.c_str(), &target.info) == 0;
  // A link the kernel follows to a file its text does not name (a descriptor of a deleted file).
  if (target.exists != exists || (exists && (target.info.st_dev != followed.st_dev ||
                                             target.info.st_ino != followed.st_ino))) {
    return {0, "a file without a name of its own"};
  }
  return {};
}

// The user's own right to write the file, as access() judges it for the real user; root, whom
// access() lets write anything, still may not write a file without any write bit.
int FileRights(const Target& target) {
  if ((target.info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return EACCES;
  return ::faccessat(AT_FDCWD, target.path.c_str(), W_OK, 0) == 0 ? 0 : errno;
}

bool IsStale(const fs::path& file, pid_t owner) {
  struct stat info {};
  if (::lstat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  if (owner != ::getpid() && ::kill(owner, 0) != 0 && errno == ESRCH) return true;
  const auto modified = std::chrono::system_clock::from_time_t(info.st_mtime);
  return std::chrono::system_clock::now() - modified > kStaleTemporaryAge;
}

void RemoveStaleTemporaries(const fs::path& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  while (const dirent* entry = ::readdir(dir)) {
    const pid_t owner = AtomicFile::TemporaryOwner(entry->d_name);
    const fs::path file = folder / entry->d_name;
    if (owner > 0 && IsStale(file, owner)) ::unlink(file.c_str());
  }
  ::closedir(dir);
}

// For a folder that takes no new files: the file itself is overwritten and cut to size. Not
// atomic, but the only way to save there at all.
Result OverwriteInPlace(const fs::path& path, std::span<const std::uint8_t> bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return Error(errno);
  struct stat info {};
  Result result;
  if (::fstat(fd, &info) != 0) {
    result.error = errno;
  } else if (!S_ISREG(info.st_mode)) {
    result.refusal = AtomicFile::KindOf(info.st_mode);
  } else if (!WriteAll(fd, bytes.data(), bytes.size()) ||
             ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0 || ::fsync(fd) != 0) {
    result.error = errno;
  }
  if (::close(fd) != 0 && result.ok()) result.error = errno;
  return result;
}

void SyncFolder(const fs::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

Result AtomicFile::Write(const std::string& path, std::span<const std::uint8_t> bytes) {
  Target target;
  if (const Result inspected = Inspect(path, target); !inspected.ok()) return inspected;
  if (target.exists) {
    if (const int error = FileRights(target)) return Error(error);
  }
  const fs::path folder = FolderOf(target.path);
  RemoveStaleTemporaries(folder);
  TempFile temp(folder);
  if (temp.fd() < 0) {
    const int error = errno;
    if (target.exists && (error == EACCES || error == EPERM)) {
      return OverwriteInPlace(target.path, bytes);
    }
    return Error(error);
  }
  if (target.exists) {
    // Someone else's file stays theirs where we may give it away; otherwise it becomes ours.
    [[maybe_unused]] const int owned = ::fchown(temp.fd(), target.info.st_uid, target.info.st_gid);
    ::fchmod(temp.fd(), target.info.st_mode & 07777);
  }
  if (!WriteAll(temp.fd(), bytes.data(), bytes.size())) return Error(errno);
  if (::fsync(temp.fd()) != 0) return Error(errno);
  if (!temp.Close()) return Error(errno);
  if (::rename(temp.path().c_str(), target.path.c_str()) != 0) return Error(errno);
  temp.Keep();
  SyncFolder(folder);
  return {};
}

Result AtomicFile::CheckWritable(const std::string& path) {
  Target target;
  if (const Result inspected = Inspect(path, target); !inspected.ok()) return inspected;
  if (target.exists) return Error(FileRights(target));
  const fs::path folder = FolderOf(target.path);
  return Error(::faccessat(AT_FDCWD, folder.c_str(), W_OK, 0) == 0 ? 0 : errno);
}

std::string AtomicFile::KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISREG(mode)) return "a regular file";
  return "no regular file";
}

pid_t AtomicFile::TemporaryOwner(const std::string& fileName) {
  std::string_view name = fileName;
  if (!name.starts_with(kTemporaryPrefix) || !name.ends_with(kTemporarySuffix)) return -1;
  name.remove_prefix(kTemporaryPrefix.size());
  name.remove_suffix(kTemporarySuffix.size());
  pid_t pid = -1;
  int fields = 0;
  for (std::size_t start = 0; start <= name.size(); ++fields) {
    const std::size_t end = std::min(name.find('-', start), name.size());
    const std::string_view field = name.substr(start, end - start);
    unsigned long long value = 0;
    const auto [rest, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (field.empty() || ec != std::errc() || rest != field.data() + field.size()) return -1;
    if (fields == 0) pid = value > 0 && value <= INT_MAX ? static_cast<pid_t>(value) : -1;
    start = end + 1;
  }
  return fields == 3 ? pid : -1;
}

}  // namespace velmora
