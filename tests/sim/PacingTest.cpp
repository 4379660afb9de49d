// Runs at the real byte time of the cable, so it is kept apart and run alone.
#include <gtest/gtest.h>

#include "sim/PtyRadioServer.h"
#include "tests/sim/SimTestSupport.h"

namespace velmora::sim {
namespace {

using test::RawClient;

TEST(Pacing, ABlockReadReplyTakesItsTimeOnTheLine) {
  PtyRadioServer server;
  server.SetPaced(true);
  ASSERT_TRUE(server.Start());
  RawClient client(server.slavePath());
  ASSERT_TRUE(client.Connect());
  const auto request = test::ReadRequest(0x0F80);
  const auto start = std::chrono::steady_clock::now();
  const auto reply = client.Exchange(request, 68);
  const auto took = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(reply.size(), 68u);
  // Every byte of both frames, the first and the last too, takes its full time on the line: no
  // host can beat the wire limit against this radio.
  EXPECT_GE(took, (request.size() + reply.size()) * kByteTime9600);
}

}  // namespace
}  // namespace velmora::sim
