#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSqlDatabase>
#include <filesystem>
#include <sstream>
#include <thread>
#include <vector>

#include "cli/JobRecorder.h"
#include "cli/RecordThread.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

// The data and settings folders are redirected into a fresh folder for each test.
class JobRecorderTest : public testing::Test {
 protected:
  void SetUp() override {
    m_dir = fs::temp_directory_path() / ("velmora-recorder-" + std::to_string(::getpid()));
    fs::remove_all(m_dir);
    fs::create_directories(m_dir / "data");
    ::setenv("XDG_DATA_HOME", (m_dir / "data").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (m_dir / "config").c_str(), 1);
    QCoreApplication::setApplicationName(QStringLiteral("Velmora"));
    // The SQL drivers are loaded on this thread first: loaded first on a recorder's thread, a
    // driver's plugin keeps that ended thread's Qt data to the process's end, a leak to ASan.
    QSqlDatabase::drivers();
  }
  void TearDown() override {
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("XDG_CONFIG_HOME");
    fs::remove_all(m_dir);
  }

  static CliArguments Args(const std::string& serial) {
    std::string error;
    return *CliArguments::Parse({"--serial", serial, "--operator", "王"}, JobRecorder::Options(),
                                {}, error);
  }
  static JobRecorder::Job ReadJob() {
    JobRecorder::Job job;
    job.kind = "read";
    job.outcome = "成功!";
    job.succeeded = true;
    job.port = 1;
    job.after.assign(308, 0x5A);
    job.started = std::chrono::system_clock::now();
    return job;
  }
  fs::path Bench() const { return m_dir / "data/Velmora/records/records.sqlite"; }

  fs::path m_dir;
};

// Two commands one after the other, each recorder opening and closing its connection on a thread
// of its own: both records are there for a reader, complete and chained.
TEST_F(JobRecorderTest, RecordsOfCommandsOneAfterAnotherAreCompleteAndChained) {
  for (int command = 0; command < 2; ++command) {
    JobRecorder recorder(Args("SN 7"));
    std::ostringstream err;
    auto pending = recorder.BeginCommit(ReadJob());
    EXPECT_TRUE(recorder.FinishCommit(pending, err)) << err.str();
    EXPECT_EQ(err.str(), "");
  }
  std::string error;
  const auto reader = RecordStore::Open(QString::fromStdString(Bench().string()), error);
  ASSERT_TRUE(reader) << error;
  const auto history = reader->History("SN 7", error);
  ASSERT_EQ(history.size(), 2u) << error;
  EXPECT_EQ(history[0].operatorName, "王");
  EXPECT_EQ(history[0].imageAfter, std::vector<std::uint8_t>(308, 0x5A));
  EXPECT_EQ(history[0].previousHash, history[1].contentHash);
  EXPECT_EQ(reader->Verify(error).firstBadId, "");
}

// The bench's file cannot be opened (a folder stands in its place): every job's commit fails,
// the reason the file could not be opened is said once, and each lost record once more.
TEST_F(JobRecorderTest, ABenchThatCannotBeOpenedFailsEveryCommitAndSaysWhyOnce) {
  fs::create_directories(Bench());
  JobRecorder recorder(Args("SN 8"));
  std::ostringstream err;
  EXPECT_FALSE(recorder.Commit(ReadJob(), err));
  EXPECT_FALSE(recorder.Open(err));
  EXPECT_FALSE(recorder.Commit(ReadJob(), err));
  const std::string said = err.str();
  auto count = [&said](const std::string& text) {
    std::size_t n = 0;
    for (auto at = said.find(text); at != std::string::npos; at = said.find(text, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("records: the bench's database cannot be opened: "), 1u) << said;
  EXPECT_EQ(count("records: this job's record was not kept: "), 2u) << said;
}

// A connection belongs to the thread that opened it: every task runs on one thread, not the
// caller's, in the order posted, and the tasks still queued when the thread is ended are run.
TEST(RecordThreadTest, RunsEveryTaskInOrderOnOneThreadOfItsOwn) {
  constexpr int kTasks = 200;
  std::vector<int> order;
  std::vector<std::thread::id> threads;
  {
    RecordThread thread;
    for (int i = 0; i < kTasks; ++i) {
      thread.Post([&, i] {
        order.push_back(i);
        threads.push_back(std::this_thread::get_id());
      });
    }
  }
  ASSERT_EQ(order.size(), std::size_t(kTasks));
  for (int i = 0; i < kTasks; ++i) {
    EXPECT_EQ(order[i], i);
    EXPECT_EQ(threads[i], threads[0]);
  }
  EXPECT_NE(threads[0], std::this_thread::get_id());
}

}  // namespace
}  // namespace velmora
