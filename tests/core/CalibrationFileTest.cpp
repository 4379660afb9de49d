#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "core/CalibrationFile.h"
#include "tests/core/FileTestFolder.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

using test::Bytes;
using CalibrationFileTest = test::FileTestFolder;

TEST(CalibrationFileName, DatRule) {
  const std::pair<std::string, std::string> cases[] = {
      {"cal", "cal.dat"},
      {"cal.DAT", "cal.DAT.dat"},
      {"cal.dat.bak", "cal.dat.bak"},
      {"/home/x.dat/cal", "/home/x.dat/cal"},
      {"/tmp/cal.dat", "/tmp/cal.dat"},
      {"cal.da", "cal.da.dat"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(CalibrationFile::WithDatExtension(in), out) << in;
}

TEST_F(CalibrationFileTest, SaveStoresTheUserInterfaceFirstAndWritesExactly308Bytes) {
  const fs::path path = m_dir / "cal.dat";
  const auto result = CalibrationFile::SaveToFile(m_image, path, [&] { m_image.SetAt(236, 'Q'); });
  ASSERT_TRUE(result.ok()) << result.error;
  const Bytes saved = Read(path);
  ASSERT_EQ(saved.size(), 308u);
  EXPECT_EQ(saved[236], 'Q');
  EXPECT_EQ(saved, ImageBytes());
  EXPECT_EQ(EntriesInDir(m_dir), 1u);  // no temporary file left behind
}

// Another user's file keeps its owner where the saver may set it (root here).
TEST_F(CalibrationFileTest, SaveReplacesAnExistingFileWholeAndKeepsItsModeAndOwner) {
  constexpr uid_t kNobody = 65534;
  const bool root = ::geteuid() == 0;
  const fs::path path = m_dir / "cal.dat";
  Write(path, Bytes(1000, 0x11));
  ::chmod(path.c_str(), 0640);
  if (root) {
    ASSERT_EQ(::chown(path.c_str(), kNobody, kNobody), 0);
  }
  ASSERT_TRUE(CalibrationFile::SaveToFile(m_image, path, {}).ok());
  EXPECT_EQ(Read(path), ImageBytes());
  struct stat st {};
  ::stat(path.c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  if (root) {
    EXPECT_EQ(st.st_uid, kNobody);
    EXPECT_EQ(st.st_gid, kNobody);
  }
}

TEST_F(CalibrationFileTest, SaveIntoAMissingFolderReportsTheSystemError) {
  bool stored = false;
  const auto result =
      CalibrationFile::SaveToFile(m_image, m_dir / "missing" / "cal.dat", [&] { stored = true; });
  EXPECT_EQ(result.status, FileResult::Status::Failed);
  EXPECT_EQ(result.error, std::strerror(ENOENT));
  EXPECT_TRUE(stored);  // the image has taken the control values all the same
}

// A save that fails part way: the file-size limit stops the write after 100 bytes.
TEST_F(CalibrationFileTest, SaveFailingPartWayLeavesTheExistingFileUnchanged) {
  const fs::path path = m_dir / "cal.dat";
  const Bytes good(308, 0x42);
  Write(path, good);
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit tiny = old;
  tiny.rlim_cur = 100;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tiny), 0);
  const auto result = CalibrationFile::SaveToFile(m_image, path, {});
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(result.status, FileResult::Status::Failed);
  EXPECT_EQ(result.error, std::strerror(EFBIG));
  EXPECT_EQ(Read(path), good);
  EXPECT_EQ(EntriesInDir(m_dir), 1u);
}

// Real filesystems for the two cases where the folder refuses the file; needs mount rights.
class MountedFolder {
 public:
  MountedFolder(const fs::path& dir, const char* options) : m_dir(dir) {
    fs::create_directories(dir);
    m_mounted = ::mount("tmpfs", dir.c_str(), "tmpfs", 0, options) == 0;
  }
  ~MountedFolder() {
    if (m_mounted) ::umount2(m_dir.c_str(), MNT_DETACH);
  }
  bool mounted() const { return m_mounted; }
  bool MakeReadOnly() {
    return ::mount("tmpfs", m_dir.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
  }

 private:
  fs::path m_dir;
  bool m_mounted = false;
};

TEST_F(CalibrationFileTest, SaveIntoAFullFilesystemLeavesTheExistingFileUnchanged) {
  MountedFolder full(m_dir / "full", "size=8k");
  if (!full.mounted()) GTEST_SKIP() << "no rights to mount a small filesystem here";
  const fs::path path = m_dir / "full" / "cal.dat";
  const Bytes good(308, 0x42);
  Write(path, good);
  std::ofstream filler(m_dir / "full" / "filler", std::ios::binary);
  const std::vector<char> chunk(1024, 0);
  while (filler.write(chunk.data(), static_cast<std::streamsize>(chunk.size()))) filler.flush();
  filler.close();
  const auto result = CalibrationFile::SaveToFile(m_image, path, {});
  EXPECT_EQ(result.status, FileResult::Status::Failed);
  EXPECT_EQ(result.error, std::strerror(ENOSPC));
  EXPECT_EQ(Read(path), good);
  EXPECT_EQ(Entries(m_dir / "full"), (std::vector<std::string>{"cal.dat", "filler"}));
}

TEST_F(CalibrationFileTest, SaveIntoAReadOnlyFolderLeavesTheExistingFileUnchanged) {
  MountedFolder folder(m_dir / "ro", "size=64k");
  if (!folder.mounted()) GTEST_SKIP() << "no rights to mount a read-only filesystem here";
  const fs::path path = m_dir / "ro" / "cal.dat";
  const Bytes good(308, 0x24);
  Write(path, good);
  ASSERT_TRUE(folder.MakeReadOnly());
  const auto result = CalibrationFile::SaveToFile(m_image, path, {});
  EXPECT_EQ(result.status, FileResult::Status::Failed);
  EXPECT_EQ(result.error, std::strerror(EROFS));
  EXPECT_EQ(Read(path), good);
}

struct LoadCase {
  std::size_t fileSize;
  std::size_t replaced;
};
class LoadSizeTest : public CalibrationFileTest, public testing::WithParamInterface<LoadCase> {};

TEST_P(LoadSizeTest, ReplacesOnlyTheLeadingBytesAndRefreshes) {
  const fs::path path = m_dir / "in.dat";
  Bytes file(GetParam().fileSize);
  for (std::size_t i = 0; i < file.size(); ++i) file[i] = static_cast<std::uint8_t>(i * 7 + 3);
  Write(path, file);
  const Bytes before = ImageBytes();
  int refreshed = 0;
  const auto result = CalibrationFile::LoadFromFile(m_image, path, [&] { ++refreshed; });
  ASSERT_TRUE(result.ok());
  EXPECT_EQ(result.fileSize, GetParam().fileSize);
  EXPECT_EQ(refreshed, 1);
  const Bytes after = ImageBytes();
  for (std::size_t i = 0; i < 308; ++i) {
    EXPECT_EQ(after[i], i < GetParam().replaced ? file[i] : before[i]) << "offset " << i;
  }
}
INSTANTIATE_TEST_SUITE_P(Sizes, LoadSizeTest,
                         testing::Values(LoadCase{0, 0}, LoadCase{100, 100}, LoadCase{307, 307},
                                         LoadCase{308, 308}, LoadCase{400, 308}));

TEST_F(CalibrationFileTest, LoadOfABusyFileLoadsBusy) {
  Bytes file(308, 0);
  file[306] = 1;
  Write(m_dir / "busy.dat", file);
  ASSERT_TRUE(CalibrationFile::LoadFromFile(m_image, m_dir / "busy.dat", {}).ok());
  EXPECT_TRUE(m_image.busy());
}

TEST_F(CalibrationFileTest, LoadOfAnUnopenableFileChangesNothingSilently) {
  const Bytes before = ImageBytes();
  bool refreshed = false;
  const auto result =
      CalibrationFile::LoadFromFile(m_image, m_dir / "nope.dat", [&] { refreshed = true; });
  EXPECT_EQ(result.status, FileResult::Status::NotOpened);
  EXPECT_FALSE(refreshed);
  EXPECT_EQ(ImageBytes(), before);
}

// Nothing but a regular file is loaded, and nothing waits: a FIFO with no writer would block an
// ordinary open for good.
TEST_F(CalibrationFileTest, LoadRefusesAnythingButARegularFileWithoutWaiting) {
  ASSERT_EQ(::mkfifo((m_dir / "fifo").c_str(), 0644), 0);
  const fs::path socket = m_dir / "socket";
  const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, socket.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  const std::pair<fs::path, const char*> cases[] = {
      {m_dir / "fifo", "a FIFO"}, {m_dir, "a folder"},  {"/dev/null", "a device"},
      {"/dev/zero", "a device"},  {socket, "a socket"},
  };
  const Bytes before = ImageBytes();
  for (const auto& [path, kind] : cases) {
    bool refreshed = false;
    const auto result = CalibrationFile::LoadFromFile(m_image, path, [&] { refreshed = true; });
    EXPECT_EQ(result.status, FileResult::Status::Refused) << path;
    EXPECT_EQ(result.error, std::string(kind) + ", not a calibration file") << path;
    EXPECT_FALSE(refreshed) << path;
    EXPECT_EQ(ImageBytes(), before) << path;
  }
  ::close(listener);
}

TEST_F(CalibrationFileTest, SaveThenLoadRoundTripsEveryByte) {
  for (std::size_t i = 0; i < 308; ++i) m_image.SetAt(i, static_cast<std::uint8_t>(255 - i));
  const Bytes saved = ImageBytes();
  ASSERT_TRUE(CalibrationFile::SaveToFile(m_image, m_dir / "rt.dat", {}).ok());
  m_image.LoadDefaults();
  ASSERT_TRUE(CalibrationFile::LoadFromFile(m_image, m_dir / "rt.dat", {}).ok());
  EXPECT_EQ(ImageBytes(), saved);
}

}  // namespace
}  // namespace velmora
