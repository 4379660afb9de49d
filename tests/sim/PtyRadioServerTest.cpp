#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "sim/ComPortRig.h"
#include "sim/PtyRadioServer.h"
#include "sim/SilentTerminal.h"
#include "tests/sim/SimTestSupport.h"

namespace velmora::sim {
namespace {

using test::Bytes;
using test::HandshakeRequest;
using test::RawClient;
using test::ReadRequest;
using test::WriteRequest;

Bytes Unscrambled(const Bytes& reply) {
  Bytes data;
  for (std::size_t i = 4; i < reply.size(); ++i) data.push_back(test::HostUnscramble(reply[i]));
  return data;
}

class PtyRadioServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(server.Start(&error)) << error;
  }
  PtyRadioServer server;
};

TEST_F(PtyRadioServerTest, ServesAReadOverARealPseudoTerminal) {
  const Bytes data = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  server.WriteMemory(0x0FC0, data);
  RawClient client(server.slavePath());
  ASSERT_TRUE(client.isOpen());
  ASSERT_TRUE(client.Connect());
  const Bytes reply = client.Exchange(ReadRequest(0x0FC0), 68);
  ASSERT_EQ(reply.size(), 68u);
  EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 4), (Bytes{0x57, 0x0F, 0xC0, 0x40}));
  const Bytes unscrambled = Unscrambled(reply);
  EXPECT_EQ(Bytes(unscrambled.begin(), unscrambled.begin() + 16), data);
  EXPECT_EQ(client.Exchange({0x06}, 1), Bytes{0x06});
}

TEST_F(PtyRadioServerTest, KeepsServingWhenTheClientClosesAndReopens) {
  for (int round = 0; round < 3; ++round) {
    RawClient client(server.slavePath());
    ASSERT_TRUE(client.isOpen()) << round;
    ASSERT_TRUE(client.Connect()) << round;
    EXPECT_EQ(client.Exchange(WriteRequest(0x1FF0, Bytes(16, static_cast<std::uint8_t>(round))), 1),
              Bytes{0x06});
  }
  EXPECT_EQ(server.ReadMemory(0x1FF0, 16), Bytes(16, 2));
  EXPECT_EQ(server.CountOf(RequestRecord::Kind::Handshake), 3u);
}

TEST_F(PtyRadioServerTest, ListenerSeesTheWriteBeforeItsAcknowledgement) {
  server.Stop();
  std::atomic<int> calls{0};
  std::uint8_t seen = 0;
  server.SetMemoryWrittenListener([&](const RadioMemory& m) {
    seen = m[0x0F85];
    ++calls;
    return true;
  });
  ASSERT_TRUE(server.Start());
  RawClient client(server.slavePath());
  ASSERT_TRUE(client.Connect());
  ASSERT_EQ(client.Exchange(WriteRequest(0x0F80, Bytes(16, 0x42)), 1), Bytes{0x06});
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(seen, 0x42);
}

TEST_F(PtyRadioServerTest, FaultsApplyWhileRunningAndTheLineCanBeClosed) {
  RawClient client(server.slavePath());
  RadioFaults f;
  f.dropReadBlock = 1;
  f.dropAfterBytes = 20;
  f.dropMode = DropMode::CloseLine;
  server.SetFaults(f);
  ASSERT_TRUE(client.Connect());
  EXPECT_EQ(client.Exchange(ReadRequest(0x0F80), 68).size(), 20u);
  EXPECT_TRUE(client.hungUp());
  const auto deadline = std::chrono::steady_clock::now() + test::kReplyWait;
  // The line closes first and the serving thread ends just after: wait for both.
  while ((!server.lineClosed() || server.running()) &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::yield();
  }
  EXPECT_TRUE(server.lineClosed());
  EXPECT_FALSE(server.running());
}

TEST_F(PtyRadioServerTest, StopsPromptlyWithAClientStillOpen) {
  RawClient client(server.slavePath());
  ASSERT_TRUE(client.Connect());
  client.Send({0x57, 0x0F});  // half a request
  server.Stop();
  EXPECT_FALSE(server.running());
}

TEST(PtyRadioServers, TwoRadiosAnswerAtTheSameTimeWithTheirOwnMemory) {
  PtyRadioServer first;
  PtyRadioServer second;
  ASSERT_TRUE(first.Start());
  ASSERT_TRUE(second.Start());
  ASSERT_NE(first.slavePath(), second.slavePath());
  first.WriteMemory(0x0F80, Bytes(64, 0x11));
  second.WriteMemory(0x0F80, Bytes(64, 0x22));

  Bytes replies[2];
  auto read = [&](const PtyRadioServer& server, Bytes& out) {
    RawClient client(server.slavePath());
    if (client.Connect()) out = Unscrambled(client.Exchange(ReadRequest(0x0F80), 68));
  };
  std::thread a(read, std::cref(first), std::ref(replies[0]));
  std::thread b(read, std::cref(second), std::ref(replies[1]));
  a.join();
  b.join();
  EXPECT_EQ(replies[0], Bytes(64, 0x11));
  EXPECT_EQ(replies[1], Bytes(64, 0x22));
}

TEST(SilentTerminal, OpensButNeverAnswers) {
  SilentTerminal terminal;
  ASSERT_TRUE(terminal.Open());
  RawClient client(terminal.slavePath());
  ASSERT_TRUE(client.isOpen());
  EXPECT_TRUE(client.Send(HandshakeRequest()));
  EXPECT_TRUE(client.Receive(1, test::kSilenceWait).empty());
}

TEST(ComPortRig, PublishesEachDeviceAndWithdrawsItAgain) {
  std::string radioPath;
  {
    ComPortRig rig;
    PtyRadioServer& radio = rig.AddRadio(5);
    rig.AddSilentTerminal(3);
    radioPath = radio.slavePath();
    ASSERT_NE(std::getenv(sim::ComPortRig::VariableName(5).c_str()), nullptr);
    ASSERT_NE(std::getenv(sim::ComPortRig::VariableName(3).c_str()), nullptr);
    EXPECT_EQ(std::string(std::getenv(sim::ComPortRig::VariableName(5).c_str())), radioPath);
    RawClient client(std::getenv(sim::ComPortRig::VariableName(5).c_str()));
    EXPECT_TRUE(client.Connect());
    RawClient silent(std::getenv(sim::ComPortRig::VariableName(3).c_str()));
    EXPECT_TRUE(silent.isOpen());
    silent.Send(HandshakeRequest());
    EXPECT_TRUE(silent.Receive(1, test::kSilenceWait).empty());
  }
  EXPECT_EQ(std::getenv(sim::ComPortRig::VariableName(5).c_str()), nullptr);
  EXPECT_EQ(std::getenv(sim::ComPortRig::VariableName(3).c_str()), nullptr);
}

}  // namespace
}  // namespace velmora::sim
