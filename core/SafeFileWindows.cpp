// SafeFile's system calls on Windows: every name goes to the wide API, converted from UTF-8.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>
// After windows.h, which they need.
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/SafeFile.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using Result = SafeFile::Result;
using Refusal = SafeFile::Refusal;

// Where GetFullPathNameW puts the reserved device names (NUL, CON, COM1, ...) and pipes.
constexpr std::wstring_view kDeviceNamespace = L"\\\\.\\";
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

Result Error(int error) { return Result::Of(error); }
Result Refused(Refusal refusal, std::string detail) {
  return Result::Refused(refusal, std::move(detail));
}

Result NotRegular(std::string kind) { return Refused(Refusal::NotRegular, std::move(kind)); }

// The C library's number for a Windows error, so that callers report the same way everywhere.
int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_SUCCESS:
      return 0;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
      return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EBUSY;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
      return EINVAL;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    default:
      return EIO;
  }
}

Result LastError() { return Error(ErrnoOf(::GetLastError())); }

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  const int length =
      ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, wide.data(), length);
  return wide;
}

// Closes the handle when it goes out of scope.
class Handle {
 public:
  explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : m_handle(handle) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return m_handle; }
  bool valid() const { return m_handle != INVALID_HANDLE_VALUE; }
  HANDLE Release() { return std::exchange(m_handle, INVALID_HANDLE_VALUE); }
  void Reset(HANDLE handle) {
    Close();
    m_handle = handle;
  }
  bool Close() {
    if (!valid()) return true;
    return ::CloseHandle(Release()) != 0;
  }

 private:
  HANDLE m_handle;
};

// Opens without asking to read or write, which a device cannot act on, only to ask what it is.
HANDLE OpenToInspect(const fs::path& path) {
  return ::CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

std::string KindOf(HANDLE handle) {
  switch (::GetFileType(handle)) {
    case FILE_TYPE_CHAR:
      return "a device";
    case FILE_TYPE_PIPE:
      return "a pipe";
    case FILE_TYPE_DISK:
      break;
    default:
      return "no regular file";
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (::GetFileInformationByHandle(handle, &info) &&
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return "a folder";
  }
  return {};
}

bool IsDeviceName(const fs::path& path) {
  const DWORD length = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (length == 0) return false;
  std::wstring full(length, L'\0');
  full.resize(::GetFullPathNameW(path.c_str(), length, full.data(), nullptr));
  return full.starts_with(kDeviceNamespace);
}

// The file a link finally names, in the form Windows gives back for an open handle.
fs::path FinalPath(HANDLE handle, const fs::path& asked) {
  const DWORD length = ::GetFinalPathNameByHandleW(handle, nullptr, 0, FILE_NAME_NORMALIZED);
  if (length == 0) return asked;
  std::wstring final(length, L'\0');
  final.resize(::GetFinalPathNameByHandleW(handle, final.data(), length, FILE_NAME_NORMALIZED));
  return final.empty() ? asked : fs::path(final);
}

// Where a save lands: the file at the end of any link chain, and what is there now.
struct Target {
  fs::path path;
  bool exists = false;
  DWORD attributes = 0;
};

Result Inspect(const std::string& name, Target& target) {
  if (!SafeFile::IsUtf8(name)) return Refused(Refusal::BadName, "a name that is not UTF-8");
  target.path = Wide(name);
  // Reserved names are devices in every folder; they are refused before anything opens them.
  if (IsDeviceName(target.path)) return NotRegular("a device");
  Handle handle(OpenToInspect(target.path));
  if (!handle.valid()) {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND ? Result{} : Error(ErrnoOf(error));
  }
  if (std::string kind = KindOf(handle.get()); !kind.empty()) return NotRegular(std::move(kind));
  target.path = FinalPath(handle.get(), target.path);
  target.exists = true;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(handle.get(), &info)) return LastError();
  target.attributes = info.dwFileAttributes;
  return {};
}

fs::path FolderOf(const fs::path& path) {
  return path.has_parent_path() ? path.parent_path() : fs::path(L".");
}

// A read-only file keeps its contents: replacing it would defeat the mark its owner set.
int FileRights(const Target& target) {
  return (target.attributes & FILE_ATTRIBUTE_READONLY) ? EACCES : 0;
}

bool WriteAll(HANDLE handle, const char* data, std::size_t size) {
  while (size > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(handle, data, chunk, &written, nullptr)) return false;
    if (written == 0) {
      ::SetLastError(ERROR_DISK_FULL);
      return false;
    }
    data += written;
    size -= written;
  }
  return true;
}

bool WriteAll(HANDLE handle, std::span<const std::uint8_t> bytes) {
  return WriteAll(handle, reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// A new temporary beside the target; removed unless the save got through.
class TempFile {
 public:
  explicit TempFile(const fs::path& folder) {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    for (int attempt = 0; attempt < 100 && !m_handle.valid(); ++attempt) {
      m_path = folder / (".velmora-" + std::to_string(::GetCurrentProcessId()) + "-" +
                         std::to_string(counter++) + "-" + std::to_string(random()) + ".tmp");
      m_handle.Reset(::CreateFileW(m_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!m_handle.valid() && ::GetLastError() != ERROR_FILE_EXISTS) break;
    }
    m_error = m_handle.valid() ? ERROR_SUCCESS : ::GetLastError();
  }
  ~TempFile() {
    m_handle.Close();
    if (m_error == ERROR_SUCCESS && !m_kept) ::DeleteFileW(m_path.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  HANDLE get() const { return m_handle.get(); }
  DWORD error() const { return m_error; }
  const fs::path& path() const { return m_path; }
  bool Close() { return m_handle.Close(); }
  void Keep() { m_kept = true; }

 private:
  fs::path m_path;
  Handle m_handle;
  DWORD m_error = ERROR_SUCCESS;
  bool m_kept = false;
};

std::chrono::system_clock::time_point TimeOf(const FILETIME& time) {
  // FILETIME counts 100 ns ticks from 1601; the system clock counts from 1970.
  constexpr std::uint64_t kTicksFrom1601To1970 = 116444736000000000ULL;
  const std::uint64_t ticks = (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
  const auto since1970 = std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>>(
      static_cast<std::int64_t>(ticks - kTicksFrom1601To1970));
  return std::chrono::system_clock::time_point(
      std::chrono::duration_cast<std::chrono::system_clock::duration>(since1970));
}

bool IsRunning(long pid) {
  const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
  if (process == nullptr) return ::GetLastError() == ERROR_ACCESS_DENIED;  // someone else's
  const bool running = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  ::CloseHandle(process);
  return running;
}

void RemoveStaleTemporaries(const fs::path& folder) {
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileW((folder / L".velmora-*.tmp").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const fs::path file = folder / found.cFileName;
    const std::u8string name = file.filename().u8string();
    const long owner = SafeFile::TemporaryOwner(std::string(name.begin(), name.end()));
    if (owner <= 0 || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    const bool old = std::chrono::system_clock::now() - TimeOf(found.ftLastWriteTime) >
                     SafeFile::kStaleTemporaryAge;
    if (old || (owner != static_cast<long>(::GetCurrentProcessId()) && !IsRunning(owner))) {
      ::DeleteFileW(file.c_str());
    }
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
}

// For a folder that takes no new files: the file itself is overwritten and cut to size. Not
// atomic, but the only way to save there at all.
Result OverwriteInPlace(const fs::path& path, std::span<const std::uint8_t> bytes) {
  Handle file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return LastError();
  if (const std::string kind = KindOf(file.get()); !kind.empty()) return NotRegular(kind);
  if (!WriteAll(file.get(), bytes) || !::SetEndOfFile(file.get()) ||
      !::FlushFileBuffers(file.get()) || !file.Close()) {
    return LastError();
  }
  return {};
}

// Puts the finished temporary in the target's place; New never replaces a name claimed meanwhile.
bool Place(const fs::path& temp, const fs::path& target, SafeFile::Mode mode) {
  const DWORD replace = mode == SafeFile::Mode::Replace ? MOVEFILE_REPLACE_EXISTING : 0;
  return ::MoveFileExW(temp.c_str(), target.c_str(), replace | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace

Result SafeFile::Write(const std::string& path, std::span<const std::uint8_t> bytes,
                       Access /*access: a new file takes its folder's permissions*/, Mode mode) {
  Target target;
  if (const Result inspected = Inspect(path, target); !inspected.ok()) return inspected;
  if (target.exists && mode == Mode::New) return Error(EEXIST);
  if (const int error = FileRights(target)) return Error(error);
  const fs::path folder = FolderOf(target.path);
  RemoveStaleTemporaries(folder);
  TempFile temp(folder);
  if (temp.error() != ERROR_SUCCESS) {
    if (target.exists && temp.error() == ERROR_ACCESS_DENIED) {
      return OverwriteInPlace(target.path, bytes);
    }
    return Error(ErrnoOf(temp.error()));
  }
  if (!WriteAll(temp.get(), bytes) || !::FlushFileBuffers(temp.get()) || !temp.Close()) {
    return LastError();
  }
  if (!Place(temp.path(), target.path, mode)) return LastError();
  temp.Keep();
  return {};
}

Result SafeFile::CheckWritable(const std::string& path) {
  Target target;
  if (const Result inspected = Inspect(path, target); !inspected.ok()) return inspected;
  if (target.exists) return Error(FileRights(target));
  // A folder takes a new file when a temporary can be made there (it goes again on close); one
  // that is there already is another check's.
  const Handle probe(::CreateFileW((FolderOf(target.path) / L".velmora-check.tmp").c_str(),
                                   GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  const DWORD error = probe.valid() ? ERROR_SUCCESS : ::GetLastError();
  return Error(error == ERROR_FILE_EXISTS ? 0 : ErrnoOf(error));
}

Result SafeFile::Read(const std::string& path, std::size_t max, std::vector<std::uint8_t>& bytes,
                      std::uintmax_t& size) {
  Target target;
  if (const Result inspected = Inspect(path, target); !inspected.ok()) return inspected;
  Handle file(::CreateFileW(target.path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return LastError();
  Result result;
  result.opened = true;
  if (const std::string kind = KindOf(file.get()); !kind.empty()) {
    result = NotRegular(kind);
    result.opened = true;
    return result;
  }
  LARGE_INTEGER length{};
  if (!::GetFileSizeEx(file.get(), &length)) return LastError();
  size = static_cast<std::uintmax_t>(length.QuadPart);
  bytes.resize(max);
  std::size_t got = 0;
  while (got < max) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(max - got, 1u << 30));
    DWORD n = 0;
    if (!::ReadFile(file.get(), bytes.data() + got, chunk, &n, nullptr)) {
      result.error = ErrnoOf(::GetLastError());
      break;
    }
    if (n == 0) break;
    got += n;
  }
  bytes.resize(got);
  return result;
}

Result SafeFile::MakeFolders(const std::string& path,
                             Access /*access: folders inherit their parent's permissions*/) {
  if (!IsUtf8(path)) return Refused(Refusal::BadName, "a name that is not UTF-8");
  const fs::path wanted(Wide(path));
  fs::path made = wanted.root_path();
  for (const auto& part : wanted.relative_path()) {
    made /= part;
    if (::CreateDirectoryW(made.c_str(), nullptr)) continue;
    if (::GetLastError() != ERROR_ALREADY_EXISTS) return LastError();
    const DWORD attributes = ::GetFileAttributesW(made.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return LastError();
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      return NotRegular("a file, not a folder");
    }
  }
  return {};
}

Result SafeFile::OpenAppend(const std::string& path, int& handle) {
  Target target;
  if (const Result inspected = Inspect(path, target); !inspected.ok()) return inspected;
  if (const int error = FileRights(target)) return Error(error);
  Handle file(::CreateFileW(target.path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return LastError();
  if (const std::string kind = KindOf(file.get()); !kind.empty()) return NotRegular(kind);
  // A C run-time descriptor, so that the caller holds the same kind of handle everywhere.
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file.get()), _O_APPEND);
  if (fd < 0) return Error(EMFILE);
  file.Release();
  handle = fd;
  return {};
}

Result SafeFile::Append(int handle, std::string_view text) {
  const auto file = reinterpret_cast<HANDLE>(::_get_osfhandle(handle));
  return WriteAll(file, text.data(), text.size()) ? Result{} : LastError();
}

void SafeFile::CloseAppend(int handle) { ::_close(handle); }

}  // namespace velmora
