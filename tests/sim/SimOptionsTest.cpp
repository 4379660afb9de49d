#include <gtest/gtest.h>

#include "sim/SimOptions.h"

namespace velmora::sim {
namespace {

using Args = std::vector<std::string>;

struct OptionCase {
  Args args;
  bool (*check)(const SimOptions&);
};

TEST(SimOptions, EachFaultOptionSetsItsFault) {
  const std::vector<OptionCase> cases = {
      {{"--silent"}, [](const SimOptions& o) { return o.faults.silent; }},
      {{"--handshake-reply", "15"},
       [](const SimOptions& o) { return o.faults.handshakeReply == 0x15; }},
      {{"--silent-after-handshake"},
       [](const SimOptions& o) { return o.faults.silentAfterHandshake; }},
      {{"--bad-read-header", "2"},
       [](const SimOptions& o) {
         return o.faults.badReadHeaderByte == 2 && o.faults.badReadHeaderBlock == 0;
       }},
      {{"--bad-read-header", "0:3"},
       [](const SimOptions& o) {
         return o.faults.badReadHeaderByte == 0 && o.faults.badReadHeaderBlock == 3;
       }},
      {{"--refuse-write", "14"},
       [](const SimOptions& o) {
         return o.faults.refuseWriteBlock == 14 && o.faults.refuseByte == 0x15;
       }},
      {{"--refuse-write", "2:ff"},
       [](const SimOptions& o) {
         return o.faults.refuseWriteBlock == 2 && o.faults.refuseByte == 0xFF;
       }},
      {{"--ignore-write", "5"},
       [](const SimOptions& o) { return o.faults.unansweredWriteBlock == 5; }},
      {{"--corrupt-write", "3", "--forget-write", "14"},
       [](const SimOptions& o) {
         return o.faults.corruptWriteBlock == 3 && o.faults.forgetWriteBlock == 14;
       }},
      {{"--live-reply", "06"},
       [](const SimOptions& o) { return o.faults.liveReply == LiveReply::AckInstead; }},
      {{"--live-reply", "none"},
       [](const SimOptions& o) { return o.faults.liveReply == LiveReply::Silent; }},
      {{"--noise", "aa,0"},
       [](const SimOptions& o) {
         return o.faults.noise == std::vector<std::uint8_t>{0xAA, 0x00};
       }},
      {{"--noise-on", "handshake,live"},
       [](const SimOptions& o) {
         return o.faults.noiseOn == (ReplyKind::Handshake | ReplyKind::LiveAck);
       }},
      {{"--drop-read", "3:10"},
       [](const SimOptions& o) {
         return o.faults.dropReadBlock == 3 && o.faults.dropAfterBytes == 10 &&
                o.faults.dropMode == DropMode::GoSilent;
       }},
      {{"--drop-read", "1:0:close"},
       [](const SimOptions& o) { return o.faults.dropMode == DropMode::CloseLine; }},
      {{"--meter", "tcp:127.0.0.1:5025", "--radio-seed", "42", "--pa-settle-ms", "250",
        "--tx-hold-s", "5", "--meter-noise", "2%", "--attenuator-db", "30"},
       [](const SimOptions& o) {
         const auto& m = o.meter;
         return m.enabled && m.host == "127.0.0.1" && m.port == 5025 &&
                m.transmitter.radioSeed == 42 && m.meter.seed == 42 &&
                m.transmitter.settleTime.count() == 250 && m.transmitter.holdTime.count() == 5 &&
                m.meter.noise == 0.02 && m.attenuatorDb == 30;
       }},
      // Out of the box the simulated amplifier settles well inside the example plan's 150 ms.
      {{"--meter", "tcp:127.0.0.1:0"},
       [](const SimOptions& o) {
         return o.meter.transmitter.settleTime.count() * 5 <= 150 && o.meter.attenuatorDb == 0;
       }},
      {{"--meter", "tcp://localhost:0", "--meter-silent", "--meter-error", "-222",
        "--meter-overrange", "--meter-stuck", "--meter-slow", "300"},
       [](const SimOptions& o) {
         const auto& f = o.meter.meter.faults;
         return o.meter.enabled && o.meter.port == 0 && f.silent && f.error == -222 &&
                f.overrange && f.stuck && f.slow.count() == 300;
       }},
      {{"--paced", "--factory", "--link", "/tmp/x", "--memory", "m", "--log", "-"},
       [](const SimOptions& o) {
         return o.paced && o.factory && o.linkPath == "/tmp/x" && o.memoryPath == "m" &&
                o.logPath == "-";
       }},
  };
  for (const auto& c : cases) {
    std::string error;
    const auto options = SimOptions::Parse(c.args, &error);
    ASSERT_TRUE(options) << c.args[0] << ": " << error;
    EXPECT_TRUE(c.check(*options)) << c.args[0];
  }
}

TEST(SimOptions, BadValuesAreRejected) {
  const std::vector<Args> bad = {
      {"--link"},
      {"--handshake-reply", "100"},
      {"--bad-read-header", "4"},
      {"--refuse-write", "0"},
      {"--refuse-write", "1:06"},
      {"--ignore-write", "x"},
      {"--live-reply", "yes"},
      {"--noise", "1,,2"},
      {"--noise-on", "everything"},
      {"--drop-read", "1"},
      {"--drop-read", "1:69"},
      {"--drop-read", "1:5:open"},
      {"--meter", "tcp:10.0.0.5:5025"},
      {"--meter", "127.0.0.1:5025"},
      {"--meter", "tcp:127.0.0.1:70000"},
      {"--meter-noise", "-1"},
      {"--meter-error", "0"},
      {"--pa-settle-ms", "fast"},
      {"--attenuator-db", "-3"},
      {"--attenuator-db", "61"},
      {"--attenuator-db", "30dB"},
      {"stray"},
  };
  for (const auto& args : bad) {
    std::string error;
    EXPECT_FALSE(SimOptions::Parse(args, &error)) << args[0];
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
}  // namespace velmora::sim
