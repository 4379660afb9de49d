// Where a save lands: links, things that are no regular file, rights, leftover temporaries.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <sstream>

#include "core/CalibrationFile.h"
#include "core/SafeFile.h"
#include "tests/core/FileTestFolder.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using SaveTargetTest = test::FileTestFolder;
using Status = FileResult::Status;

constexpr uid_t kNobody = 65534;

struct ChildResults {
  FileResult check, save;
};

// Checks and saves in a child process that has become an unprivileged user.
ChildResults SaveAs(uid_t user, CalibrationImage& image, const fs::path& path) {
  int channel[2];
  if (::pipe(channel) != 0) return {};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(channel[0]);
    if (::setgroups(0, nullptr) != 0 || ::setgid(user) != 0 || ::setuid(user) != 0) ::_exit(1);
    const FileResult check = CalibrationFile::CheckSaveTarget(path);
    const FileResult save = CalibrationFile::SaveToFile(image, path, {});
    std::ostringstream text;
    text << static_cast<int>(check.status) << "\n"
         << check.error << "\n"
         << static_cast<int>(save.status) << "\n"
         << save.error << "\n";
    const std::string bytes = text.str();
    [[maybe_unused]] const auto n = ::write(channel[1], bytes.data(), bytes.size());
    ::_exit(0);
  }
  ::close(channel[1]);
  std::string text;
  char buffer[256];
  for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  ::close(channel[0]);
  ::waitpid(pid, nullptr, 0);
  std::istringstream lines(text);
  ChildResults results;
  for (FileResult* result : {&results.check, &results.save}) {
    std::string status;
    std::getline(lines, status);
    std::getline(lines, result->error);
    result->status = status.empty() ? Status::Failed : static_cast<Status>(std::stoi(status));
  }
  return results;
}

TEST_F(SaveTargetTest, LinksAreWrittenThroughToTheFileAtTheEndOfTheChain) {
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> links;  // link and its text; "@" is the folder
    const char* target;
    bool targetExists;
  };
  const Case cases[] = {
      {"relative chain",
       {{"cal.dat", "sub/mid.dat"}, {"sub/mid.dat", "../real/real.dat"}},
       "real/real.dat",
       true},
      {"absolute", {{"cal.dat", "@/real/real.dat"}}, "real/real.dat", true},
      {"dangling", {{"cal.dat", "sub/../real/new.dat"}}, "real/new.dat", false},
  };
  for (const Case& c : cases) {
    fs::remove_all(m_dir);
    fs::create_directories(m_dir / "sub");
    fs::create_directories(m_dir / "real");
    if (c.targetExists) Write(m_dir / c.target, Bytes(1000, 0x11));
    for (auto [link, text] : c.links) {
      if (text[0] == '@') text = m_dir.string() + text.substr(1);
      fs::create_symlink(text, m_dir / link);
    }
    const auto result = CalibrationFile::SaveToFile(m_image, m_dir / "cal.dat", {});
    ASSERT_TRUE(result.ok()) << c.name << ": " << result.error;
    EXPECT_EQ(Read(m_dir / c.target), ImageBytes()) << c.name;
    for (const auto& [link, text] : c.links) EXPECT_TRUE(fs::is_symlink(m_dir / link)) << c.name;
    EXPECT_EQ(Entries(m_dir / "real"),
              std::vector<std::string>{fs::path(c.target).filename().string()})
        << c.name;
  }
}

TEST_F(SaveTargetTest, WhatIsNoRegularFileIsRefusedAndNothingIsWritten) {
  ASSERT_EQ(::mkfifo((m_dir / "fifo").c_str(), 0644), 0);
  fs::create_directory(m_dir / "folder.dat");
  fs::create_symlink("fifo", m_dir / "fifo-link.dat");
  const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, (m_dir / "socket").c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  // A link to standard output, which is a pipe here.
  int output[2];
  ASSERT_EQ(::pipe2(output, O_NONBLOCK), 0);
  fs::create_symlink("/proc/self/fd/" + std::to_string(output[1]), m_dir / "stdout.dat");
  std::vector<std::pair<std::string, std::string>> cases = {
      {"fifo", "a FIFO"},     {"fifo-link.dat", "a FIFO"}, {"folder.dat", "a folder"},
      {"socket", "a socket"}, {"stdout.dat", "a FIFO"},
  };
  if (::mknod((m_dir / "null").c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0) {
    cases.push_back({"null", "a device"});
  }
  const auto before = Entries(m_dir);
  for (const auto& [name, kind] : cases) {
    const auto save = CalibrationFile::SaveToFile(m_image, m_dir / name, {});
    EXPECT_EQ(save.status, Status::Refused) << name;
    EXPECT_EQ(save.error, kind + ", not a calibration file") << name;
    const auto check = CalibrationFile::CheckSaveTarget(m_dir / name);
    EXPECT_EQ(check.status, Status::Refused) << name;
    EXPECT_EQ(check.error, save.error) << name;
  }
  EXPECT_EQ(Entries(m_dir), before);
  EXPECT_TRUE(fs::is_fifo(m_dir / "fifo"));
  EXPECT_TRUE(fs::is_symlink(m_dir / "stdout.dat"));
  char byte = 0;
  EXPECT_EQ(::read(output[0], &byte, 1), -1);  // nothing went down the pipe
  ::close(output[0]);
  ::close(output[1]);
  ::close(listener);
}

// Root may write anything, but a file without any write bit is kept from it as from anyone.
TEST_F(SaveTargetTest, AFileWithoutWriteBitsIsRefusedWithTheSystemsReason) {
  const fs::path path = m_dir / "cal.dat";
  const Bytes good(308, 0x42);
  Write(path, good);
  ::chmod(path.c_str(), 0444);
  for (const auto& result :
       {CalibrationFile::CheckSaveTarget(path), CalibrationFile::SaveToFile(m_image, path, {})}) {
    EXPECT_EQ(result.status, Status::Failed);
    EXPECT_EQ(result.error, std::strerror(EACCES));
  }
  EXPECT_EQ(Read(path), good);
  EXPECT_EQ(fs::status(path).permissions(), fs::perms(0444));
  EXPECT_EQ(EntriesInDir(m_dir), 1u);
}

// An unprivileged user's own rights decide; a file they may write in a folder that takes no new
// files is overwritten in place and cut to the image's size.
TEST_F(SaveTargetTest, AnUnprivilegedUsersRightsDecide) {
  if (::geteuid() != 0) GTEST_SKIP() << "acting as another user needs root";
  fs::create_directories(m_dir / "open");
  fs::permissions(m_dir / "open", fs::perms(0777));
  fs::create_directories(m_dir / "closed");  // root's, 0755
  Write(m_dir / "open/root.dat", Bytes(308, 0x24));
  Write(m_dir / "closed/mine.dat", Bytes(1000, 0x11));
  ASSERT_EQ(::chown((m_dir / "closed/mine.dat").c_str(), kNobody, kNobody), 0);
  struct Case {
    const char* file;
    Status status;
    Bytes after;  // empty: the file must not exist
  };
  const Case cases[] = {
      {"open/root.dat", Status::Failed, Bytes(308, 0x24)},
      {"closed/mine.dat", Status::Ok, ImageBytes()},
      {"closed/new.dat", Status::Failed, {}},
  };
  for (const Case& c : cases) {
    const auto [check, save] = SaveAs(kNobody, m_image, m_dir / c.file);
    EXPECT_EQ(save.status, c.status) << c.file << ": " << save.error;
    EXPECT_EQ(check.status, c.status) << c.file << ": " << check.error;
    if (c.status != Status::Ok) {
      EXPECT_EQ(save.error, std::strerror(EACCES)) << c.file;
    }
    if (c.after.empty()) {
      EXPECT_FALSE(fs::exists(m_dir / c.file)) << c.file;
    } else {
      EXPECT_EQ(Read(m_dir / c.file), c.after) << c.file;
    }
  }
  EXPECT_EQ(Entries(m_dir / "closed"), std::vector<std::string>{"mine.dat"});
}

// In a sticky folder every user may write, a link counts only when it is ours or the folder
// owner's (the kernel's fs.protected_symlinks rule, kept whatever the kernel is set to).
TEST_F(SaveTargetTest, LinksInSharedStickyFoldersCountOnlyFromTheirOwners) {
  if (::geteuid() != 0) GTEST_SKIP() << "links of other users need root";
  constexpr uid_t kFolderOwner = kNobody - 1;
  struct Case {
    mode_t folderMode;
    uid_t linkOwner;
    bool followed;
  };
  const Case cases[] = {
      {01777, kNobody, false}, {01777, 0, true},       {01777, kFolderOwner, true},
      {01755, kNobody, true},  {00777, kNobody, true},
  };
  for (const Case& c : cases) {
    const std::string name = std::to_string(c.folderMode) + "-" + std::to_string(c.linkOwner);
    const fs::path folder = m_dir / name;
    fs::create_directory(folder);
    ASSERT_EQ(::chown(folder.c_str(), kFolderOwner, kFolderOwner), 0);
    ASSERT_EQ(::chmod(folder.c_str(), c.folderMode), 0);
    const fs::path target = m_dir / (name + ".dat");
    Write(target, Bytes(10, 1));
    // The link as the last name, and as a folder along the way.
    fs::create_symlink(target, folder / "cal.dat");
    fs::create_symlink(m_dir, folder / "via");
    for (const char* link : {"cal.dat", "via"}) {
      ASSERT_EQ(::lchown((folder / link).c_str(), c.linkOwner, c.linkOwner), 0);
    }
    for (const fs::path& path : {folder / "cal.dat", folder / "via" / (name + ".dat")}) {
      const FileResult save = CalibrationFile::SaveToFile(m_image, path, {});
      EXPECT_EQ(save.ok(), c.followed) << path << ": " << save.error;
      if (!c.followed) {
        EXPECT_EQ(save.status, Status::Refused) << path;
        EXPECT_NE(save.error.find("another user"), std::string::npos) << save.error;
      }
    }
    EXPECT_EQ(Read(target), c.followed ? ImageBytes() : Bytes(10, 1)) << name;
    EXPECT_TRUE(fs::is_symlink(folder / "cal.dat")) << name;
  }
}

// A file the user names is created as the umask says; a replaced one keeps its own mode.
TEST_F(SaveTargetTest, ANamedFileFollowsTheUmaskAndAReplacedOneKeepsItsMode) {
  const mode_t previous = ::umask(027);
  const fs::path path = m_dir / "cal.dat";
  ASSERT_TRUE(CalibrationFile::SaveToFile(m_image, path, {}).ok());
  EXPECT_EQ(fs::status(path).permissions(), fs::perms(0640));
  fs::permissions(path, fs::perms(0604));
  ASSERT_TRUE(CalibrationFile::SaveToFile(m_image, path, {}).ok());
  EXPECT_EQ(fs::status(path).permissions(), fs::perms(0604));
  ::umask(previous);
}

// A path stays one printable line, quoted only when it must be; the quoting is the shell's.
TEST(ShownPathTest, ControlCharactersAndBytesThatAreNoUtf8AreQuoted) {
  const std::pair<std::string, std::string> cases[] = {
      {"/tmp/plain dir/a.dat", "/tmp/plain dir/a.dat"},
      {"/数据/校准.dat", "/数据/校准.dat"},
      {"/tmp/da\nta/a.dat", "$'/tmp/da\\nta/a.dat'"},
      {"it's\t\r\x1b\x7f", "$'it\\'s\\t\\r\\x1B\\x7F'"},
      {"a\\b\xff\xc3(\n", "$'a\\\\b\\xFF\\xC3(\\n'"},
      {"\xed\xa0\x80", "$'\\xED\\xA0\\x80'"},  // a surrogate is no UTF-8
  };
  for (const auto& [path, shown] : cases) EXPECT_EQ(SafeFile::Shown(path), shown) << path;
  EXPECT_TRUE(SafeFile::IsUtf8("/数据/a.dat"));
  EXPECT_FALSE(
      SafeFile::IsUtf8("a\xc0\xaf"
                       "b"));  // an over-long "/"
}

// A save killed part way leaves its hidden temporary; the next save to the folder removes ours
// whose process is gone or that are older than a minute, and nothing else.
TEST_F(SaveTargetTest, TemporariesOfAnInterruptedSaveGoWithTheNextSave) {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  const std::string dead = std::to_string(child);
  const std::vector<std::string> stale = {".velmora-" + dead + "-0-1.tmp", ".velmora-1-0-2.tmp"};
  const std::vector<std::string> kept = {
      ".velmora-1-0-3.tmp",         // a save of a live process, just begun
      ".velmora-" + dead + ".tmp",  // not our pattern
      ".velmora-" + dead + "-0-4.tmp.bak",
      "notes.tmp",
  };
  for (const auto& name : stale) Write(m_dir / name, Bytes(100, 1));
  for (const auto& name : kept) Write(m_dir / name, Bytes(100, 1));
  fs::create_directory(m_dir / (".velmora-" + dead + "-0-5.tmp"));  // no file: left alone
  const auto old = fs::file_time_type::clock::now() - std::chrono::minutes(2);
  fs::last_write_time(m_dir / stale[1], old);

  ASSERT_TRUE(CalibrationFile::SaveToFile(m_image, m_dir / "cal.dat", {}).ok());
  auto expected = kept;
  expected.push_back(".velmora-" + dead + "-0-5.tmp");
  expected.push_back("cal.dat");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Entries(m_dir), expected);
}

}  // namespace
}  // namespace velmora
