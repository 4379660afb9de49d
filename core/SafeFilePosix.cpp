// SafeFile's system calls on POSIX systems.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <random>
#include <vector>

#include "core/SafeFile.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using Result = SafeFile::Result;
using Refusal = SafeFile::Refusal;

// Links followed before giving up with ELOOP, as the kernel does for one path.
constexpr int kMaxLinkHops = 40;
constexpr mode_t kSharedFileMode = 0666;  // less the umask
constexpr mode_t kPrivateFileMode = 0600;
constexpr mode_t kSharedFolderMode = 0777;
constexpr mode_t kPrivateFolderMode = 0700;

Result Error(int error) { return Result::Of(error); }
Result Refused(Refusal refusal, std::string detail) {
  return Result::Refused(refusal, std::move(detail));
}

std::string KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  return "no regular file";
}

Result NotRegular(mode_t mode) { return Refused(Refusal::NotRegular, KindOf(mode)); }

Result CheckName(const std::string& path) {
  if (SafeFile::IsUtf8(path)) return {};
  return Refused(Refusal::BadName, "a name that is not valid UTF-8; nothing written");
}

fs::path FolderOf(const fs::path& path) {
  return path.has_parent_path() ? path.parent_path() : fs::path(".");
}

// The kernel's rule for links in shared folders such as /tmp (fs.protected_symlinks), applied
// whatever the kernel is set to: there, only a link of our own or of the folder's owner counts.
Result CheckLinkOwner(const fs::path& folder, const struct stat& link) {
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0) return Error(errno);
  const bool shared = (info.st_mode & S_ISVTX) && (info.st_mode & S_IWOTH);
  if (!shared || link.st_uid == ::geteuid() || link.st_uid == info.st_uid) return {};
  return Refused(Refusal::ForeignLink, "a link that another user left in the shared folder " +
                                           SafeFile::Shown(folder.string()) + "; not followed");
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

// Pushes a path's components so that the first is taken next.
void PushParts(std::vector<fs::path>& pending, const fs::path& path) {
  const fs::path relative = path.relative_path();
  const std::vector<fs::path> parts(relative.begin(), relative.end());
  pending.insert(pending.end(), parts.rbegin(), parts.rend());
}

// Follows every link along the path, one component at a time, to the name at its end, which
// need not exist; a relative link counts from its own folder.
Result Resolve(const std::string& path, fs::path& resolved) {
  std::vector<fs::path> pending;  // components still to walk, the next one last
  PushParts(pending, path);
  fs::path done = fs::path(path).root_path();
  for (int hops = 0; !pending.empty();) {
    const fs::path part = pending.back();
    pending.pop_back();
    if (part.empty() || part == ".") continue;
    if (part == ".." && !done.empty() && done.filename() != ".." && done != done.root_path()) {
      done = done.parent_path();  // done holds no link, so its parent is the physical one
      continue;
    }
    const fs::path next = done / part;
    struct stat info {};
    if (part == ".." || ::lstat(next.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
      done = next;  // what is missing or unreadable is left to the open to report
      continue;
    }
    if (++hops > kMaxLinkHops) return Error(ELOOP);
    const fs::path folder = done.empty() ? fs::path(".") : done;
    if (Result owner = CheckLinkOwner(folder, info); !owner.ok()) return owner;
    fs::path target;
    if (const int error = ReadLink(next, target)) return Error(error);
    PushParts(pending, target);
    if (target.is_absolute()) done = target.root_path();
  }
  resolved = done.empty() ? fs::path(".") : done;
  return {};
}

// Where a save lands: the file at the end of the link chain, and what is there now.
struct Target {
  fs::path path;
  bool exists = false;
  struct stat info {};
};

Result Inspect(const std::string& name, Target& target) {
  if (Result checked = CheckName(name); !checked.ok()) return checked;
  if (Result resolved = Resolve(name, target.path); !resolved.ok()) return resolved;
  struct stat followed {};
  const bool exists = ::stat(name.c_str(), &followed) == 0;
  if (!exists && errno != ENOENT) return Error(errno);
  if (exists && !S_ISREG(followed.st_mode)) return NotRegular(followed.st_mode);
  target.exists = ::lstat(target.path.c_str(), &target.info) == 0;
  // A link the kernel follows to a file its text does not name (a descriptor of a deleted file).
  if (target.exists != exists || (exists && (target.info.st_dev != followed.st_dev ||
                                             target.info.st_ino != followed.st_ino))) {
    return Refused(Refusal::NotRegular, "a file without a name of its own");
  }
  return {};
}

// The user's own right to write the file, as access() judges it for the real user; root, whom
// access() lets write anything, still may not write a file without any write bit.
int FileRights(const Target& target) {
  if ((target.info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return EACCES;
  return ::faccessat(AT_FDCWD, target.path.c_str(), W_OK, 0) == 0 ? 0 : errno;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
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

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
  return WriteAll(fd, reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// Closes the descriptor and removes the temporary file unless the save got through.
class TempFile {
 public:
  TempFile(const fs::path& folder, mode_t mode) {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
      m_path = folder / (".velmora-" + std::to_string(::getpid()) + "-" +
                         std::to_string(counter++) + "-" + std::to_string(random()) + ".tmp");
      m_fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
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

bool IsStale(const fs::path& file, pid_t owner) {
  struct stat info {};
  if (::lstat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  if (owner != ::getpid() && ::kill(owner, 0) != 0 && errno == ESRCH) return true;
  const auto modified = std::chrono::system_clock::from_time_t(info.st_mtime);
  return std::chrono::system_clock::now() - modified > SafeFile::kStaleTemporaryAge;
}

void RemoveStaleTemporaries(const fs::path& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  while (const dirent* entry = ::readdir(dir)) {
    const long owner = SafeFile::TemporaryOwner(entry->d_name);
    const fs::path file = folder / entry->d_name;
    if (owner > 0 && IsStale(file, static_cast<pid_t>(owner))) ::unlink(file.c_str());
  }
  ::closedir(dir);
}

// For a folder that takes no new files: the file itself is overwritten and cut to size, once
// the room for the new bytes is reserved. Not atomic, but the only way to save there at all.
Result OverwriteInPlace(const fs::path& path, std::span<const std::uint8_t> bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return Error(errno);
  struct stat info {};
  Result result;
  const auto size = static_cast<off_t>(bytes.size());
  if (::fstat(fd, &info) != 0) {
    result.error = errno;
  } else if (!S_ISREG(info.st_mode)) {
    result = NotRegular(info.st_mode);
  } else if (const int reserved = ::posix_fallocate(fd, 0, std::max<off_t>(size, 1));
             reserved != 0 && reserved != EOPNOTSUPP && reserved != EINVAL) {
    result.error = reserved;  // no room: the file is left as it was
  } else if (!WriteAll(fd, bytes) || ::ftruncate(fd, size) != 0 || ::fsync(fd) != 0) {
    result.error = errno;
  }
  if (::close(fd) != 0 && result.ok()) result.error = errno;
  return result;
}

int SyncFolder(const fs::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno;
  const int error = ::fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
  ::close(fd);
  return error;
}

// Puts the finished temporary in the target's place: over what is there, or only where nothing
// is, so that a name claimed meanwhile by someone else is never replaced.
int Place(const fs::path& temp, const fs::path& target, SafeFile::Mode mode) {
  if (mode == SafeFile::Mode::Replace)
    return ::rename(temp.c_str(), target.c_str()) == 0 ? 0 : errno;
  if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
    return 0;
  }
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // A file system without that rename: a hard link claims the name just as exclusively.
  if (::link(temp.c_str(), target.c_str()) != 0) return errno;
  ::unlink(temp.c_str());
  return 0;
}

}  // namespace

Result SafeFile::Write(const std::string& path, std::span<const std::uint8_t> bytes, Access access,
                       Mode mode) {
  Target target;
  if (const Result inspected = Inspect(path, target); !inspected.ok()) return inspected;
  if (target.exists && mode == Mode::New) return Error(EEXIST);
  if (target.exists) {
    if (const int error = FileRights(target)) return Error(error);
  }
  const fs::path folder = FolderOf(target.path);
  RemoveStaleTemporaries(folder);
  TempFile temp(folder, access == Access::Private ? kPrivateFileMode : kSharedFileMode);
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
  if (!WriteAll(temp.fd(), bytes)) return Error(errno);
  if (::fsync(temp.fd()) != 0) return Error(errno);
  if (!temp.Close()) return Error(errno);
  if (const int error = Place(temp.path(), target.path, mode)) return Error(error);
  temp.Keep();
  return Error(SyncFolder(folder));
}

Result SafeFile::CheckWritable(const std::string& path) {
  Target target;
  if (const Result inspected = Inspect(path, target); !inspected.ok()) return inspected;
  if (target.exists) return Error(FileRights(target));
  const fs::path folder = FolderOf(target.path);
  return Error(::faccessat(AT_FDCWD, folder.c_str(), W_OK, 0) == 0 ? 0 : errno);
}

Result SafeFile::Read(const std::string& path, std::size_t max, std::vector<std::uint8_t>& bytes,
                      std::uintmax_t& size) {
  // Looked at before opening: opening a device can itself act (a serial port raises its lines).
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) return NotRegular(info.st_mode);
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return Error(errno);
  Result result;
  result.opened = true;
  if (::fstat(fd, &info) != 0) {
    result.error = errno;
  } else if (!S_ISREG(info.st_mode)) {
    result = NotRegular(info.st_mode);
    result.opened = true;
  } else {
    size = static_cast<std::uintmax_t>(info.st_size);
    bytes.resize(max);
    std::size_t got = 0;
    while (got < max) {
      const ssize_t n = ::read(fd, bytes.data() + got, max - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        if (n < 0) result.error = errno;
        break;
      }
      got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
  }
  ::close(fd);
  return result;
}

Result SafeFile::MakeFolders(const std::string& path, Access access) {
  if (Result checked = CheckName(path); !checked.ok()) return checked;
  fs::path resolved;
  if (Result walked = Resolve(path, resolved); !walked.ok()) return walked;
  fs::path made = resolved.root_path();
  for (const auto& part : resolved.relative_path()) {
    made /= part;
    if (::mkdir(made.c_str(), access == Access::Private ? kPrivateFolderMode : kSharedFolderMode) ==
        0) {
      continue;
    }
    if (errno != EEXIST) return Error(errno);
    struct stat info {};
    if (::stat(made.c_str(), &info) != 0) return Error(errno);
    if (!S_ISDIR(info.st_mode)) {
      return Refused(Refusal::NotRegular,
                     (S_ISREG(info.st_mode) ? "a file" : KindOf(info.st_mode)) +
                         std::string(", not a folder"));
    }
  }
  return {};
}

Result SafeFile::OpenAppend(const std::string& path, int& handle) {
  Target target;
  if (const Result inspected = Inspect(path, target); !inspected.ok()) return inspected;
  if (target.exists) {
    if (const int error = FileRights(target)) return Error(error);
  }
  // Never through a link put there since it was looked at, and never waiting on what opens.
  const int fd =
      ::open(target.path.c_str(),
             O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, kPrivateFileMode);
  if (fd < 0) return Error(errno);
  struct stat info {};
  const Result opened = ::fstat(fd, &info) != 0 ? Error(errno)
                        : S_ISREG(info.st_mode) ? Result{}
                                                : NotRegular(info.st_mode);
  if (!opened.ok()) {
    ::close(fd);
    return opened;
  }
  handle = fd;
  return {};
}

Result SafeFile::Append(int handle, std::string_view text) {
  return Error(WriteAll(handle, text.data(), text.size()) ? 0 : errno);
}

void SafeFile::CloseAppend(int handle) { ::close(handle); }

}  // namespace velmora
