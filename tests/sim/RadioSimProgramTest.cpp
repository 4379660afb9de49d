// Runs velmora-radio-sim as a separate process, the way a technician would.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/sim/SimTestSupport.h"

extern char** environ;

namespace velmora::sim {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::RawClient;

// The simulator prints its device path at once; this bounds the wait for that line.
constexpr std::chrono::milliseconds kStartWait{5000};

class SimProcess {
 public:
  explicit SimProcess(std::vector<std::string> args) {
    args.insert(args.begin(), VELMORA_RADIO_SIM_PATH);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int out[2];
    if (::pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    m_out = out[0];
  }
  ~SimProcess() {
    if (m_pid > 0) Stop(SIGKILL);
    if (m_out >= 0) ::close(m_out);
  }
  // The first line of standard output, or "" when none came in time.
  std::string FirstLine(std::chrono::milliseconds wait = kStartWait) {
    std::string line;
    char c = 0;
    pollfd fd{m_out, POLLIN, 0};
    while (::poll(&fd, 1, static_cast<int>(wait.count())) > 0 && ::read(m_out, &c, 1) == 1) {
      if (c == '\n') return line;
      line += c;
    }
    return "";
  }
  // Sends the signal and returns the exit status (-1 when it did not exit normally).
  int Stop(int signal = SIGTERM) {
    ::kill(m_pid, signal);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  int Wait() {
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string ReadAll() {
    std::string text;
    char buffer[512];
    for (ssize_t n; (n = ::read(m_out, buffer, sizeof buffer)) > 0;) text.append(buffer, n);
    return text;
  }

 private:
  pid_t m_pid = -1;
  int m_out = -1;
};

class RadioSimProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = fs::temp_directory_path() /
            ("velmora-sim-test-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(m_dir);
  }
  void TearDown() override { fs::remove_all(m_dir); }
  fs::path m_dir;
};

TEST_F(RadioSimProgram, HelpDocumentsEveryOptionAndExitsZero) {
  SimProcess sim({"--help"});
  const std::string text = sim.ReadAll();
  EXPECT_EQ(sim.Wait(), 0);
  for (const char* option :
       {"--link", "--memory", "--factory", "--log", "--paced", "--silent", "--handshake-reply",
        "--silent-after-handshake", "--bad-read-header", "--refuse-write", "--ignore-write",
        "--live-reply", "--noise", "--noise-on", "--drop-read"}) {
    EXPECT_NE(text.find(option), std::string::npos) << option;
  }
}

TEST_F(RadioSimProgram, VersionPrintsTheProjectVersionAndExitsZero) {
  SimProcess sim({"--version"});
  EXPECT_EQ(sim.ReadAll(), "velmora-radio-sim " VELMORA_VERSION "\n");
  EXPECT_EQ(sim.Wait(), 0);
}

TEST_F(RadioSimProgram, RejectsABadOption) {
  SimProcess sim({"--refuse-write", "zero"});
  EXPECT_EQ(sim.Wait(), 2);  // bad usage, as in velmora and velmora-cli
}

TEST_F(RadioSimProgram, AWriteSurvivesARestartAndTheLinkComesAndGoes) {
  const std::string memory = (m_dir / "radio.mem").string();
  const fs::path link = m_dir / "ttyRADIO";
  const Bytes data = {0xDE, 0xAD, 0xBE, 0xEF, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
  {
    SimProcess sim({"--memory", memory, "--link", link.string(), "--factory"});
    const std::string path = sim.FirstLine();
    ASSERT_FALSE(path.empty());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link).string(), path);
    RawClient client(link.string());
    ASSERT_TRUE(client.Connect());
    ASSERT_EQ(client.Exchange(test::WriteRequest(0x1FF0, data), 1), Bytes{0x06});
    EXPECT_EQ(fs::file_size(memory), 8192u);
    client.Close();
    EXPECT_EQ(sim.Stop(SIGTERM), 0);
  }
  EXPECT_FALSE(fs::exists(fs::symlink_status(link)));

  SimProcess sim({"--memory", memory});
  const std::string path = sim.FirstLine();
  ASSERT_FALSE(path.empty());
  RawClient client(path);
  ASSERT_TRUE(client.Connect());
  const Bytes reply = client.Exchange(test::ReadRequest(0x1FC0), 68);
  ASSERT_EQ(reply.size(), 68u);
  Bytes tail;
  for (std::size_t i = 4 + 48; i < 68; ++i) tail.push_back(test::HostUnscramble(reply[i]));
  EXPECT_EQ(tail, data);
  // The factory texts of the first run were kept in the file as well.
  EXPECT_EQ(test::HostUnscramble(reply[4 + 32]), 'V');
  client.Close();
  EXPECT_EQ(sim.Stop(SIGINT), 0);
}

// A block is acknowledged only once it is in the memory file; here the file's folder is missing.
TEST_F(RadioSimProgram, AWriteBlockThatCannotBeSavedIsRefusedAndNotKept) {
  SimProcess sim({"--memory", (m_dir / "missing" / "radio.mem").string()});
  RawClient client(sim.FirstLine());
  ASSERT_TRUE(client.Connect());
  EXPECT_EQ(client.Exchange(test::WriteRequest(0x0F80, Bytes(16, 0x42)), 1), Bytes{0x15});
  const Bytes reply = client.Exchange(test::ReadRequest(0x0F80), 68);
  ASSERT_EQ(reply.size(), 68u);
  EXPECT_EQ(test::HostUnscramble(reply[4]), 0xFF);
  client.Close();
  EXPECT_EQ(sim.Stop(), 0);
}

TEST_F(RadioSimProgram, RefusesAMemoryFileOfTheWrongSize) {
  const fs::path memory = m_dir / "short.mem";
  std::ofstream(memory) << "not a radio";
  SimProcess sim({"--memory", memory.string()});
  EXPECT_EQ(sim.Wait(), 1);
  EXPECT_EQ(fs::file_size(memory), 11u);
}

// The log is a trace like velmora-cli's: appended to, never cut, and only ever a regular file.
TEST_F(RadioSimProgram, LogsEveryByteInBothDirections) {
  const fs::path log = m_dir / "bytes.log";
  std::ofstream(log) << "an earlier run\n";
  SimProcess sim({"--log", log.string()});
  {
    RawClient client(sim.FirstLine());
    ASSERT_TRUE(client.Connect());
  }
  EXPECT_EQ(sim.Stop(), 0);
  std::ifstream in(log);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("host>radio 56 4C"), std::string::npos) << text;
  EXPECT_NE(text.find("radio>host 06\n"), std::string::npos) << text;
  EXPECT_NE(text.find("radio>host 56 4C 4D 2D 53 49 4D 31\n"), std::string::npos) << text;
  EXPECT_EQ(text.rfind("an earlier run\n", 0), 0u) << text;
}

TEST_F(RadioSimProgram, RefusesToLogIntoAFifo) {
  const fs::path fifo = m_dir / "log.fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  SimProcess sim({"--log", fifo.string()});
  EXPECT_EQ(sim.Wait(), 1);  // at once: nothing reads the FIFO, and nothing waits for a reader
  EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST_F(RadioSimProgram, FaultOptionsReachTheRadio) {
  SimProcess sim({"--handshake-reply", "15"});
  RawClient client(sim.FirstLine());
  ASSERT_TRUE(client.isOpen());
  EXPECT_EQ(client.Exchange(test::HandshakeRequest(), 1), Bytes{0x15});
  EXPECT_EQ(sim.Stop(), 0);
}

}  // namespace
}  // namespace velmora::sim
