#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// The one way the programs touch files on disk; every system call behind it lives in one source
// file per platform.
//
// A save is whole or nothing: the bytes go to a temporary file in the target's folder, which is
// written, flushed to disk and closed, then renamed over the target, and the folder is synced. A
// chain of symbolic links is followed to the file it finally names (the links stay links), except
// a link in a sticky folder that every user may write, which is followed only when it belongs to
// this user or to the folder's owner. A target that exists but is no regular file is refused
// without being opened, and so is a file its user may not write, even for root when no write bit
// is set, and a name that is not valid UTF-8. A replaced file keeps its mode and, where the
// process may set it, its owner. A writable file in a folder that refuses new files is
// overwritten in place instead, once room for it is reserved. Temporaries left by an interrupted
// save are removed by the next save to that folder.
class SafeFile {
 public:
  // Who may read what is created: Shared follows the umask, as a file the user names; Private is
  // the user's alone (files 0600, folders 0700), for what the programs keep for themselves.
  enum class Access { Shared, Private };
  // Replace: an existing file is replaced whole. New: the name must be free, and a file that
  // appears under it meanwhile is never replaced (the save fails with EEXIST).
  enum class Mode { Replace, New };
  enum class Refusal { None, NotRegular, ForeignLink, BadName };

  struct Result {
    int error = 0;                    // errno of the failing step; 0 when done (or possible)
    Refusal refusal = Refusal::None;  // the target is no file to write; nothing was touched
    std::string detail;               // the refusal's reason, e.g. "a FIFO"
    bool opened = false;              // a read got as far as opening the file
    bool ok() const { return error == 0 && refusal == Refusal::None; }
    // The reason for a user: the refusal's detail or the system's description of the error.
    std::string Text() const;
    // A step's outcome from its errno (0: done), and a refusal with its reason.
    static Result Of(int error);
    static Result Refused(Refusal refusal, std::string detail);
  };

  static Result Write(const std::string& path, std::span<const std::uint8_t> bytes,
                      Access access = Access::Shared, Mode mode = Mode::Replace);
  // Text (a report, a JSON document) is saved byte for byte, the same way.
  static Result Write(const std::string& path, std::string_view text,
                      Access access = Access::Shared, Mode mode = Mode::Replace) {
    return Write(path, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}, access,
                 mode);
  }
  // The checks of Write without writing anything: the target is a regular file its user may
  // write, or a name that can be created in an existing, writable folder.
  static Result CheckWritable(const std::string& path);
  // Up to max leading bytes of a regular file, never waiting on anything else (a FIFO with no
  // writer is refused, not opened); size receives the file's whole size.
  static Result Read(const std::string& path, std::size_t max, std::vector<std::uint8_t>& bytes,
                     std::uintmax_t& size);
  // The folder and any missing folders above it; those it creates are 0700 when Private.
  static Result MakeFolders(const std::string& path, Access access);

  // A log that grows: an existing regular file, or a new one (0600). handle receives what
  // Append and CloseAppend take.
  static Result OpenAppend(const std::string& path, int& handle);
  static Result Append(int handle, std::string_view text);
  static void CloseAppend(int handle);

  // A save takes milliseconds: a temporary this old belongs to a save that never finished.
  static constexpr std::chrono::minutes kStaleTemporaryAge{1};
  // The name pattern of our temporaries: ".velmora-PID-N-R.tmp"; the pid it carries, else -1.
  static long TemporaryOwner(const std::string& fileName);
  // Whether a name is valid UTF-8, the programs' encoding of file names on every platform.
  static bool IsUtf8(std::string_view name);
  // The path as a line may show it: unchanged when it holds no control character or invalid
  // UTF-8, otherwise quoted as $'...' with escapes, so one name stays one line and can be pasted
  // into a shell.
  static std::string Shown(const std::string& path);
  // One word for a POSIX shell: as it is when it needs no quotes, else in single quotes, or as
  // $'...' with octal escapes when it holds a control character.
  static std::string ShellQuoted(const std::string& text);
};

}  // namespace velmora
