#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/DiffCommand.h"
#include "cli/ShowCommand.h"
#include "core/CalibrationFile.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

class FileCommandsTest : public testing::Test {
 protected:
  void SetUp() override {
    m_dir = fs::temp_directory_path() / ("velmora-cli-" + std::to_string(::getpid()));
    fs::create_directories(m_dir);
  }
  void TearDown() override { fs::remove_all(m_dir); }

  std::string SaveDefaults(const std::string& name,
                           const std::function<void(CalibrationImage&)>& edit) {
    CalibrationImage image;
    image.LoadDefaults();
    edit(image);
    const std::string path = (m_dir / name).string();
    EXPECT_TRUE(CalibrationFile::SaveToFile(image, path, {}).ok());
    return path;
  }
  int Run(int (*command)(const std::vector<std::string>&, std::ostream&, std::ostream&),
          std::vector<std::string> args) {
    m_out.str(""), m_err.str("");
    return command(args, m_out, m_err);
  }

  fs::path m_dir;
  std::ostringstream m_out, m_err;
};

TEST_F(FileCommandsTest, DiffReportsEachDifferingFieldWithItsOffset) {
  const auto a = SaveDefaults("a.dat", [](CalibrationImage&) {});
  const auto b = SaveDefaults("b.dat", [](CalibrationImage& image) {
    image.levelTable(0, 0, 3) = 80;
    image.WriteBcd16(layout::kRxHighB, 480);
    image.setPortNumber(5);
  });
  EXPECT_EQ(Run(DiffCommand::Run, {a, b}), 1);
  EXPECT_EQ(m_out.str(),
            "@0+4 portNumber: COM1 -> COM5\n"
            "@9 bandA.highPower[3]: 63 -> 80\n"
            "@160+2 bandB.rxHigh: 470 MHz (04 70) -> 480 MHz (04 80)\n");
  EXPECT_EQ(Run(DiffCommand::Run, {a, a}), 0);
  EXPECT_EQ(m_out.str(), "equal\n");
}

TEST_F(FileCommandsTest, BadUsageAndUnreadableFilesExitTwo) {
  const auto a = SaveDefaults("a.dat", [](CalibrationImage&) {});
  const std::vector<std::vector<std::string>> diffCases = {
      {}, {a}, {a, a, a}, {a, (m_dir / "missing.dat").string()}, {a, a, "--bogus"}};
  for (const auto& args : diffCases) EXPECT_EQ(Run(DiffCommand::Run, args), 2);
  EXPECT_EQ(Run(ShowCommand::Run, {}), 2);
  EXPECT_EQ(Run(ShowCommand::Run, {(m_dir / "missing.dat").string()}), 2);
  EXPECT_NE(m_err.str().find("No such file"), std::string::npos);
  EXPECT_EQ(Run(ShowCommand::Run, {"--help"}), 0);
  EXPECT_NE(m_out.str().find("usage: velmora-cli show"), std::string::npos);
}

// Input that is no 308-byte calibration file is bad input for show and diff, named in the
// message; --force takes the leading bytes of a regular file of another size, but nothing makes
// a device, FIFO or folder a calibration file. Nothing crashes or waits.
TEST_F(FileCommandsTest, InputThatIsNoCalibrationFileExitsTwo) {
  const auto good = SaveDefaults("good.dat", [](CalibrationImage&) {});
  std::ifstream in(good, std::ios::binary);
  const std::string defaults((std::istreambuf_iterator<char>(in)), {});
  std::ofstream(m_dir / "empty.dat");
  std::ofstream(m_dir / "short.dat") << defaults.substr(0, 307);
  std::ofstream(m_dir / "long.dat") << defaults << 'x';
  ASSERT_EQ(::mkfifo((m_dir / "fifo").c_str(), 0644), 0);
  fs::create_symlink("loop", m_dir / "loop");
  std::string longPath = m_dir.string();
  while (longPath.size() <= PATH_MAX) longPath += "/d";
  struct Case {
    std::string path;
    std::string message;
    bool forceLoads;
  };
  const Case cases[] = {
      {(m_dir / "empty.dat").string(), "0 bytes, not a 308-byte calibration file", true},
      {(m_dir / "short.dat").string(), "307 bytes, not a 308-byte", true},
      {(m_dir / "long.dat").string(), "309 bytes, not a 308-byte", true},
      {"/dev/null", "a device, not a calibration file", false},
      {"/dev/zero", "a device, not a calibration file", false},
      {(m_dir / "fifo").string(), "a FIFO, not a calibration file", false},
      {m_dir.string(), "a folder, not a calibration file", false},
      {(m_dir / "loop").string(), std::strerror(ELOOP), false},
      {(m_dir / std::string(300, 'n')).string(), std::strerror(ENAMETOOLONG), false},
      {longPath, std::strerror(ENAMETOOLONG), false},
  };
  for (const Case& c : cases) {
    const std::string expected = c.path + ": " + c.message;
    EXPECT_EQ(Run(ShowCommand::Run, {c.path}), 2) << c.message;
    EXPECT_NE(m_err.str().find(expected), std::string::npos) << m_err.str();
    EXPECT_EQ(Run(DiffCommand::Run, {good, c.path}), 2) << c.message;
    EXPECT_NE(m_err.str().find(expected), std::string::npos) << m_err.str();
    EXPECT_EQ(Run(ShowCommand::Run, {c.path, "--force"}), c.forceLoads ? 0 : 2) << c.message;
    EXPECT_EQ(Run(DiffCommand::Run, {c.path, good, "--force"}), c.forceLoads ? 0 : 2) << c.message;
    EXPECT_EQ(m_out.str(), c.forceLoads ? "equal\n" : "") << c.message;
  }
}

TEST_F(FileCommandsTest, ShowPrintsEveryFieldWithItsOffset) {
  const auto a = SaveDefaults("a.dat", [](CalibrationImage& image) {
    image.setBusy(true);
    image.powerOnText1()[0] = 'H';
  });
  EXPECT_EQ(Run(ShowCommand::Run, {a}), 0);
  const std::string out = m_out.str();
  for (const char* line :
       {"@  0+4  portNumber: COM1\n", "@151+2  bandA.base: 136 MHz (01 36)\n", "@306+1  busy: 1\n",
        "@236+7  powerOnText1: \"H\" (48 FF FF FF FF FF FF)\n",
        "@  4+2  region[0].address: 0x0F80\n"}) {
    EXPECT_NE(out.find(line), std::string::npos) << line;
  }
}

}  // namespace
}  // namespace velmora
