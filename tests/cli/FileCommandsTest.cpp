#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "cli/DiffCommand.h"
#include "cli/ShowCommand.h"
#include "core/CalibrationFile.h"
#include "core/TextCodec.h"

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
    image.SetLevel({Band::A, 0, 3}, 80);
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

QJsonObject Json(const std::string& text) {
  return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
}

// show --json gives every field show prints, at the same offset and size, with the file's own
// bytes and a value that reads as the text does; level points lie at base + k * step.
TEST_F(FileCommandsTest, ShowJsonAgreesWithTheText) {
  const auto a = SaveDefaults("a.dat", [](CalibrationImage& image) {
    image.setBusy(true);
    StringToTextField("H2", image.powerOnText2());
    image.crystalCode()[3] = 0x41;
    image.WriteBcd16(layout::kBandBaseB, 420);
    image.WriteBcd8(layout::kBandStepB, 6);
    image.SetLevel({Band::B, 3, 15}, 42);
    image.liveCommand()[0] = 0xA6;
  });
  ASSERT_EQ(Run(ShowCommand::Run, {a}), 0);
  const std::string text = m_out.str();
  ASSERT_EQ(Run(ShowCommand::Run, {a, "--json"}), 0);
  const QJsonArray fields = Json(m_out.str())["fields"].toArray();
  std::ifstream in(a, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), {});
  const std::regex lineForm(R"(@\s*(\d+)\+(\d+)\s+(\S+): (.*))");
  std::istringstream lines(text);
  std::string line;
  int count = 0;
  std::set<std::string> names;
  for (const QJsonValue field : fields) {
    ASSERT_TRUE(std::getline(lines, line));
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, lineForm)) << line;
    const std::string name = field["name"].toString().toStdString();
    const int offset = field["offset"].toInt(), size = field["size"].toInt();
    // A name several fields share carries its offset, so that every JSON name is unique.
    EXPECT_TRUE(name == m[3] || name == std::string(m[3]) + "@" + std::to_string(offset)) << name;
    EXPECT_TRUE(names.insert(name).second) << name << " occurs twice";
    EXPECT_EQ(std::stoi(m[1]), offset) << name;
    EXPECT_EQ(std::stoi(m[2]), size) << name;
    std::string raw;
    for (int i = 0; i < size; ++i) {
      char hex[4];
      std::snprintf(hex, sizeof hex, i ? " %02X" : "%02X", std::uint8_t(bytes.at(offset + i)));
      raw += hex;
    }
    EXPECT_EQ(field["raw"].toString().toStdString(), raw) << name;
    const std::string shown = m[4];
    const QJsonValue value = field["value"];
    if (value.isDouble()) {
      const std::string n = std::to_string(value.toInteger());
      char address[8];
      std::snprintf(address, sizeof address, "0x%04X", unsigned(value.toInteger()));
      EXPECT_TRUE(shown == n || shown == "COM" + n || shown == address ||
                  shown == n + " MHz (" + raw + ")")
          << name << ": " << shown << " vs " << n;
    } else if (value.isString()) {
      const std::string s = value.toString().toStdString();
      EXPECT_TRUE(shown == s || shown == s + " (" + raw + ")" ||
                  shown == "\"" + s + "\" (" + raw + ")")
          << name << ": " << shown << " vs " << s;
    } else {
      ASSERT_TRUE(value.isArray()) << name;
      const bool bandB = name.rfind("bandB.", 0) == 0;
      std::string levels;
      for (int k = 0; k < 16; ++k) {
        const QJsonValue point = value[k];
        EXPECT_EQ(point["mhz"].toInt(), bandB ? 420 + 6 * k : 136 + 3 * k) << name << k;
        levels += (k ? " " : "") + std::to_string(point["level"].toInt());
      }
      EXPECT_EQ(shown, levels) << name;
    }
    ++count;
  }
  EXPECT_FALSE(std::getline(lines, line)) << line;
  EXPECT_EQ(count, 41);
  EXPECT_NE(text.find("powerOnText2: \"H2\""), std::string::npos);
  EXPECT_NE(text.find("crystalCode: unlisted"), std::string::npos);
}

// diff --json names the fields the text names, each with both sides' bytes and values.
TEST_F(FileCommandsTest, DiffJsonListsTheDifferingFieldsWithBothSides) {
  const auto a = SaveDefaults("a.dat", [](CalibrationImage&) {});
  const auto b = SaveDefaults("b.dat", [](CalibrationImage& image) {
    image.SetLevel({Band::A, 0, 3}, 80);
    image.SetLevel({Band::A, 0, 5}, 81);
    image.WriteBcd16(layout::kRxHighB, 480);
    StringToTextField("OK", image.powerOnText1());
  });
  ASSERT_EQ(Run(DiffCommand::Run, {a, b}), 1);
  std::set<std::string> textNames;
  std::istringstream lines(m_out.str());
  for (std::string line; std::getline(lines, line);) {
    const auto name = line.find(' ') + 1;
    textNames.insert(line.substr(name, line.find_first_of("[:", name) - name));
  }
  ASSERT_EQ(Run(DiffCommand::Run, {a, b, "--json"}), 1);
  const QJsonObject diff = Json(m_out.str());
  EXPECT_FALSE(diff["equal"].toBool());
  std::map<std::string, QJsonObject> fields;
  for (const QJsonValue field : diff["fields"].toArray()) {
    fields[field["name"].toString().toStdString()] = field.toObject();
  }
  EXPECT_EQ(fields.size(), 3u);
  for (const auto& name : textNames) EXPECT_EQ(fields.count(name), 1u) << name;
  const QJsonObject rx = fields["bandB.rxHigh"];
  EXPECT_EQ(rx["offset"].toInt(), 160);
  EXPECT_EQ(rx["a"]["raw"].toString(), "04 70");
  EXPECT_EQ(rx["a"]["value"].toInt(), 470);
  EXPECT_EQ(rx["b"]["raw"].toString(), "04 80");
  EXPECT_EQ(rx["b"]["value"].toInt(), 480);
  const auto value = [&](const char* name, const char* side) {
    return fields[name].value(side).toObject().value("value");
  };
  EXPECT_EQ(value("powerOnText1", "a").toString(), "");
  EXPECT_EQ(value("powerOnText1", "b").toString(), "OK");
  const QJsonValue point5 = value("bandA.highPower", "b")[5];
  EXPECT_EQ(point5["level"].toInt(), 81);
  EXPECT_EQ(point5["mhz"].toInt(), 136 + 5 * 3);
  EXPECT_EQ(value("bandA.highPower", "a")[5]["level"].toInt(), 63);

  ASSERT_EQ(Run(DiffCommand::Run, {a, a, "--json"}), 0);
  EXPECT_TRUE(Json(m_out.str())["equal"].toBool());
  EXPECT_TRUE(Json(m_out.str())["fields"].toArray().isEmpty());
}

}  // namespace
}  // namespace velmora
