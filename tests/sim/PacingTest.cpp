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
  const auto start = std::chrono::steady_clock::now();
  const auto reply = client.Exchange(test::ReadRequest(0x0F80), 68);
  const auto took = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(reply.size(), 68u);
  // 67 byte times after the first byte, at least, and the request's own bytes too.
  EXPECT_GE(took, std::chrono::milliseconds(65));
}

}  // namespace
}  // namespace velmora::sim
