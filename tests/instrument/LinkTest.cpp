#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <thread>

#include "instrument/InstrumentLinks.h"
#include "instrument/ScpiChannel.h"
#include "tests/radio/PtyPair.h"

namespace velmora {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kTestWait{2000};
constexpr milliseconds kShortTimeout{200};

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// QSerialPort wants the thread it runs on known to Qt, as in the programs.
void EnsureApplication() {
  static int argc = 1;
  static char name[] = "instrument_link_tests";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
}

// Each link that talks to a device file, with a pseudo-terminal standing in for the device.
class DeviceLinkTest : public testing::TestWithParam<const char*> {
 protected:
  static void SetUpTestSuite() { EnsureApplication(); }
};

TEST_P(DeviceLinkTest, QueriesLineByLineAndTimesOut) {
  test::PtyPair pty;
  ASSERT_TRUE(pty.ok());
  QString error;
  auto link = InstrumentLinks::Make(
      QString::fromLatin1(GetParam()) + QString::fromStdString(pty.slavePath()) + "?baud=19200",
      error);
  ASSERT_TRUE(link) << error.toStdString();
  ScpiChannel channel(std::move(link), QStringLiteral("meter"));
  ASSERT_TRUE(channel.Open()) << channel.error().toStdString();

  std::vector<std::uint8_t> received;
  std::thread instrument([&] {
    received = pty.Receive(6, kTestWait);
    pty.Send(Bytes("ACME,PM"));  // the answer in two pieces, CR LF ended
    std::this_thread::sleep_for(milliseconds(20));
    pty.Send(Bytes("-7,1.0\r\n"));
  });
  const auto answer = channel.Query("*IDN?");
  instrument.join();
  EXPECT_EQ(received, Bytes("*IDN?\n"));
  ASSERT_TRUE(answer) << channel.error().toStdString();
  EXPECT_EQ(*answer, "ACME,PM-7,1.0");

  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(channel.Query("READ?", kShortTimeout));
  EXPECT_GE(std::chrono::steady_clock::now() - start, kShortTimeout);
  EXPECT_EQ(channel.error(), "meter did not answer READ? within 0.2 s");
  EXPECT_EQ(pty.Receive(6, kTestWait), Bytes("READ?\n"));
}

INSTANTIATE_TEST_SUITE_P(Links, DeviceLinkTest, testing::Values("serial://", "usbtmc://"));

TEST(InstrumentLinks, UrlsThatNameNoLinkAreRefused) {
  const char* bad[] = {"",
                       "http://x",
                       "tcp://host",
                       "tcp://h:0",
                       "tcp:h:x",
                       "serial://",
                       "serial:///dev/x?baud=fast",
                       "usbtmc://",
                       "sim:?watts=-1",
                       "/dev/ttyUSB0"};
  for (const char* url : bad) {
    QString error;
    EXPECT_FALSE(InstrumentLinks::Make(QString::fromLatin1(url), error)) << url;
    EXPECT_TRUE(error.startsWith(QString::fromLatin1(url) + ": ")) << error.toStdString();
  }
  // A URL that would retitle and clear the terminal is named with its control bytes escaped.
  QString error;
  EXPECT_FALSE(InstrumentLinks::Make(QStringLiteral("\x1b]0;owned\x07\x1b[2J"), error));
  EXPECT_FALSE(error.contains(QChar(0x1b)) || error.contains(QChar(0x07))) << error.toStdString();
  EXPECT_TRUE(error.startsWith(QStringLiteral("\\e]0;owned"))) << error.toStdString();
  for (const char* url : {"tcp://127.0.0.1:5025", "tcp:localhost:5025", "sim:", "sim:?watts=5"}) {
    EXPECT_TRUE(InstrumentLinks::Make(QString::fromLatin1(url), error)) << url;
  }
}

// A link opens only the kind of file its instrument is: a FIFO would hand the link its own query
// back as the answer, and a file or a folder is no instrument at all.
struct KindCase {
  const char* scheme;
  const char* target;  // under the test's folder, or an absolute path
  const char* error;
};

TEST(InstrumentLinks, OnlyTheirKindOfDeviceIsOpened) {
  EnsureApplication();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string fifo = dir.filePath("fifo").toStdString();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  QFile file(dir.filePath("file"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  const std::vector<KindCase> cases = {
      {"usbtmc://", "fifo", "a FIFO, not a character device"},
      {"usbtmc://", "file", "a file, not a character device"},
      {"usbtmc://", "", "a folder, not a character device"},
      {"usbtmc://", "missing", "no such device, not a character device"},
      {"serial://", "fifo", "a FIFO, not a serial port"},
      {"serial://", "file", "a file, not a serial port"},
      {"serial://", "/dev/null", "/dev/null: Inappropriate ioctl"},  // refused by the port itself
  };
  for (const KindCase& c : cases) {
    const QString target = c.target[0] == '/' ? QString::fromLatin1(c.target)
                                              : dir.filePath(QString::fromLatin1(c.target));
    QString error;
    auto link = InstrumentLinks::Make(QString::fromLatin1(c.scheme) + target, error);
    ASSERT_TRUE(link) << error.toStdString();
    ScpiChannel channel(std::move(link), QStringLiteral("meter"));
    EXPECT_FALSE(channel.Open()) << c.scheme << c.target;
    EXPECT_TRUE(channel.error().contains(QString::fromLatin1(c.error)))
        << c.scheme << c.target << ": " << channel.error().toStdString();
  }
}

}  // namespace
}  // namespace velmora
