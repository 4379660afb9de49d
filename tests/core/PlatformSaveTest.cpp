// The save's promises that hold on every platform, run natively and in the Windows build.
#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>
#include <string>

#include "core/CalibrationFile.h"
#include "tests/core/FileTestFolder.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using PlatformSaveTest = test::FileTestFolder;

#ifdef _WIN32
const char* const kDevices[] = {"NUL", "CON", "COM1"};
#else
const char* const kDevices[] = {"/dev/null", "/dev/tty"};
#endif

// The programs' own encoding of a name: UTF-8 on every platform.
std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

TEST_F(PlatformSaveTest, ReplacesAnExistingFileWholeAndLeavesNoTemporary) {
  const fs::path path = m_dir / "cal.dat";
  Write(path, Bytes(500, 0xEE));
  ASSERT_TRUE(CalibrationFile::SaveToFile(m_image, Utf8(path), {}).ok());
  EXPECT_EQ(Read(path), ImageBytes());
  EXPECT_EQ(EntriesInDir(m_dir), 1u);
}

TEST_F(PlatformSaveTest, RefusesDevicesWithoutWritingOrLoading) {
  for (const char* device : kDevices) {
    const auto saved = CalibrationFile::SaveToFile(m_image, device, {});
    EXPECT_EQ(saved.status, FileResult::Status::Refused) << device << ": " << saved.error;
    EXPECT_EQ(CalibrationFile::CheckSaveTarget(device).status, FileResult::Status::Refused);
    bool refreshed = false;
    const auto loaded = CalibrationFile::LoadFromFile(m_image, device, [&] { refreshed = true; });
    EXPECT_EQ(loaded.status, FileResult::Status::Refused) << device << ": " << loaded.error;
    EXPECT_FALSE(refreshed) << device;
  }
}

TEST_F(PlatformSaveTest, KeepsAReadOnlyFile) {
  const fs::path path = m_dir / "kept.dat";
  const Bytes old(308, 0x5A);
  Write(path, old);
  const auto writable = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  fs::permissions(path, writable, fs::perm_options::remove);
  EXPECT_EQ(CalibrationFile::SaveToFile(m_image, Utf8(path), {}).status,
            FileResult::Status::Failed);
  EXPECT_EQ(CalibrationFile::CheckSaveTarget(Utf8(path)).status, FileResult::Status::Failed);
  EXPECT_EQ(Read(path), old);
  EXPECT_EQ(EntriesInDir(m_dir), 1u);
  fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);  // so it can be removed
}

TEST_F(PlatformSaveTest, SavesAndLoadsAFileWithAChineseName) {
  Bytes bytes(308);
  std::iota(bytes.begin(), bytes.end(), std::uint8_t{7});
  m_image.AssignBytes(bytes);
  const fs::path name(u8"校准数据.dat");
  ASSERT_TRUE(CalibrationFile::SaveToFile(m_image, Utf8(m_dir / name), {}).ok());
  // The name on disk is the one asked for, not its bytes read in some local code page.
  EXPECT_EQ(fs::directory_iterator(m_dir)->path().filename(), name);

  CalibrationImage loaded;
  loaded.LoadDefaults();
  const auto result = CalibrationFile::LoadFromFile(loaded, Utf8(m_dir / name), {});
  ASSERT_TRUE(result.ok()) << result.error;
  EXPECT_EQ(result.fileSize, 308u);
  EXPECT_EQ(loaded.ToBytes(), m_image.ToBytes());
}

}  // namespace
}  // namespace velmora
