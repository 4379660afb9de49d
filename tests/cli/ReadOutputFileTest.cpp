#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/ReadOutputFile.h"
#include "transfer/DataFolder.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

// The data folder is redirected into a fresh folder for each test.
class ReadOutputFileTest : public testing::Test {
 protected:
  void SetUp() override {
    m_dir = fs::temp_directory_path() / ("velmora-rescue-" + std::to_string(::getpid()));
    fs::remove_all(m_dir);
    fs::create_directories(m_dir / "data");
    ::setenv("XDG_DATA_HOME", (m_dir / "data").c_str(), 1);
    QCoreApplication::setApplicationName(QStringLiteral("Velmora"));
    m_image.LoadDefaults();
  }
  void TearDown() override {
    ::unsetenv("XDG_DATA_HOME");
    fs::remove_all(m_dir);
  }
  fs::path m_dir;
  CalibrationImage m_image;
};

TEST_F(ReadOutputFileTest, DataFolderNamesFilesAfterTimeAndTagAndNeverReusesOne) {
  const QDateTime at(QDate(2026, 12, 7), QTime(10, 15, 30));
  const QString folder = QString::fromStdString((m_dir / "data/Velmora/backups/").string());
  const QString expected[] = {"20261207-101530-COM1.dat", "20261207-101530-COM1-2.dat",
                              "20261207-101530-COM1-3.dat"};
  for (const QString& name : expected) {
    const QString path = DataFolder::NewFilePath(QStringLiteral("backups"), at, "COM1");
    EXPECT_EQ(path, folder + name);
    std::ofstream(path.toStdString()) << "taken";
  }
  EXPECT_EQ(DataFolder::NewFilePath(QStringLiteral("backups"), at, {}),
            folder + "20261207-101530.dat");
  fs::remove_all(m_dir / "data");
  std::ofstream(m_dir / "data") << "a file where the data folder should be";
  EXPECT_TRUE(DataFolder::NewFilePath(QStringLiteral("backups"), at, "COM1").isEmpty());
}

// A read whose save fails keeps its bytes in the rescue folder and says where; only when that
// fails too is it lost, and the tool says so.
TEST_F(ReadOutputFileTest, AFailedSaveRescuesWhatWasRead) {
  for (std::size_t i = 6; i < 300; ++i) m_image.SetAt(i, static_cast<std::uint8_t>(i));
  m_image.setPortNumber(3);
  std::ostringstream err;
  const std::string target = (m_dir / "missing/out.dat").string();
  EXPECT_FALSE(ReadOutputFile::Save(target, m_image, err));
  const fs::path rescueFolder = m_dir / "data/Velmora/rescue";
  ASSERT_TRUE(fs::is_directory(rescueFolder));
  const auto rescued = fs::directory_iterator(rescueFolder)->path();
  EXPECT_EQ(std::distance(fs::directory_iterator(rescueFolder), {}), 1);
  EXPECT_TRUE(rescued.filename().string().ends_with("-COM3.dat")) << rescued;
  // What a customer's radio held is the user's alone.
  EXPECT_EQ(fs::status(rescueFolder).permissions(), fs::perms(0700));
  EXPECT_EQ(fs::status(rescued).permissions(), fs::perms(0600));
  std::ifstream in(rescued, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), {});
  const auto image = m_image.ToBytes();
  EXPECT_EQ(bytes, std::string(image.begin(), image.end()));
  EXPECT_EQ(err.str(), target + ": " + std::strerror(ENOENT) + "\nwhat was read is saved in " +
                           rescued.string() + "\n");

  fs::remove_all(m_dir / "data");
  std::ofstream(m_dir / "data") << "a file where the data folder should be";
  err.str("");
  EXPECT_FALSE(ReadOutputFile::Save(target, m_image, err));
  EXPECT_NE(err.str().find("what was read is lost"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace velmora
