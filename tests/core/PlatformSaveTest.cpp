// The save's promises that hold on every platform, run natively and in the Windows build.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <numeric>
#include <string>
#include <vector>

#include "core/CalibrationFile.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

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

class PlatformSaveTest : public testing::Test {
 protected:
  void SetUp() override {
    m_dir = fs::temp_directory_path() /
            ("velmora-save-" +
             std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    Clean();
    fs::create_directories(m_dir);
    Bytes bytes(CalibrationImage::Bytes{}.size());
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{7});
    m_image.AssignBytes(bytes);
  }
  void TearDown() override { Clean(); }
  void Clean() {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(m_dir, ec)) {
      fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ec);
    }
    fs::remove_all(m_dir, ec);
  }
  static Bytes Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }
  static void Put(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  Bytes Saved() const {
    const auto bytes = m_image.ToBytes();
    return Bytes(bytes.begin(), bytes.end());
  }
  std::size_t Entries() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(m_dir), {}));
  }

  fs::path m_dir;
  CalibrationImage m_image;
};

TEST_F(PlatformSaveTest, ReplacesAnExistingFileWholeAndLeavesNoTemporary) {
  const fs::path path = m_dir / "cal.dat";
  Put(path, Bytes(500, 0xEE));
  ASSERT_TRUE(CalibrationFile::SaveToFile(m_image, Utf8(path), {}).ok());
  EXPECT_EQ(Read(path), Saved());
  EXPECT_EQ(Entries(), 1u);
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
  Put(path, old);
  fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  EXPECT_EQ(CalibrationFile::SaveToFile(m_image, Utf8(path), {}).status,
            FileResult::Status::Failed);
  EXPECT_EQ(CalibrationFile::CheckSaveTarget(Utf8(path)).status, FileResult::Status::Failed);
  EXPECT_EQ(Read(path), old);
  EXPECT_EQ(Entries(), 1u);
}

TEST_F(PlatformSaveTest, SavesAndLoadsAFileWithAChineseName) {
  const fs::path name(u8"校准数据.dat");
  ASSERT_TRUE(CalibrationFile::SaveToFile(m_image, Utf8(m_dir / name), {}).ok());
  // The name on disk is the one asked for, not its bytes read in some local code page.
  ASSERT_EQ(Entries(), 1u);
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
