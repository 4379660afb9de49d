#include "sim/SimOptions.h"

#include <charconv>
#include <functional>
#include <map>

#include "radio/ProtocolConstants.h"

namespace velmora::sim {
namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + 1) {
    parts.push_back(text.substr(start, at - start));
  }
  parts.push_back(text.substr(start));
  return parts;
}

template <class T>
bool ParseNumber(const std::string& text, int base, T min, T max, T& out) {
  T value{};
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (ec != std::errc() || end != text.data() + text.size() || value < min || value > max) {
    return false;
  }
  out = value;
  return true;
}

bool ParseByte(const std::string& text, std::uint8_t& out) {
  unsigned value = 0;
  if (!ParseNumber(text, 16, 0u, 0xFFu, value)) return false;
  out = static_cast<std::uint8_t>(value);
  return true;
}

bool ParseBlock(const std::string& text, int& out) {
  return ParseNumber(text, 10, 1, 1 << 20, out);
}

bool ParseNoise(const std::string& text, std::vector<std::uint8_t>& out) {
  out.clear();
  for (const auto& part : Split(text, ',')) {
    std::uint8_t b = 0;
    if (!ParseByte(part, b)) return false;
    out.push_back(b);
  }
  return true;
}

bool ParseNoiseOn(const std::string& text, unsigned& out) {
  static const std::map<std::string, unsigned> kNames = {
      {"handshake", static_cast<unsigned>(ReplyKind::Handshake)},
      {"ident", static_cast<unsigned>(ReplyKind::Identification)},
      {"ident-ack", static_cast<unsigned>(ReplyKind::IdentificationAck)},
      {"read", static_cast<unsigned>(ReplyKind::ReadBlock)},
      {"read-ack", static_cast<unsigned>(ReplyKind::ReadAck)},
      {"write", static_cast<unsigned>(ReplyKind::WriteAck)},
      {"live", static_cast<unsigned>(ReplyKind::LiveAck)},
      {"all", kAllReplies}};
  out = 0;
  for (const auto& name : Split(text, ',')) {
    const auto it = kNames.find(name);
    if (it == kNames.end()) return false;
    out |= it->second;
  }
  return true;
}

// --bad-read-header I[:N]
bool ParseBadHeader(const std::string& text, RadioFaults& f) {
  const auto parts = Split(text, ':');
  if (parts.size() > 2 || !ParseNumber(parts[0], 10, 0, 3, f.badReadHeaderByte)) return false;
  f.badReadHeaderBlock = 0;
  return parts.size() == 1 || ParseBlock(parts[1], f.badReadHeaderBlock);
}

// --refuse-write N[:HEX]
bool ParseRefuse(const std::string& text, RadioFaults& f) {
  const auto parts = Split(text, ':');
  if (parts.size() > 2 || !ParseBlock(parts[0], f.refuseWriteBlock)) return false;
  return parts.size() == 1 || (ParseByte(parts[1], f.refuseByte) && f.refuseByte != protocol::kAck);
}

// --drop-read N:K[:close]
bool ParseDrop(const std::string& text, RadioFaults& f) {
  const auto parts = Split(text, ':');
  if (parts.size() < 2 || parts.size() > 3 || !ParseBlock(parts[0], f.dropReadBlock)) return false;
  if (!ParseNumber<std::size_t>(parts[1], 10, 0, 68, f.dropAfterBytes)) return false;
  if (parts.size() == 3 && parts[2] != "close") return false;
  f.dropMode = parts.size() == 3 ? DropMode::CloseLine : DropMode::GoSilent;
  return true;
}

bool ParseLiveReply(const std::string& text, LiveReply& out) {
  if (text == "09")
    out = LiveReply::Normal;
  else if (text == "06")
    out = LiveReply::AckInstead;
  else if (text == "none")
    out = LiveReply::Silent;
  else
    return false;
  return true;
}

// --meter tcp:127.0.0.1:PORT (or tcp://...); the host must be the loopback.
bool ParseMeter(const std::string& text, MeterOptions& m) {
  std::string rest = text;
  for (const char* prefix : {"tcp://", "tcp:"}) {
    if (rest.starts_with(prefix)) {
      rest = rest.substr(std::string(prefix).size());
      break;
    }
  }
  const auto colon = rest.rfind(':');
  if (colon == std::string::npos || text == rest) return false;
  m.host = rest.substr(0, colon);
  m.enabled = true;
  return (m.host == "127.0.0.1" || m.host == "localhost") &&
         ParseNumber(rest.substr(colon + 1), 10, 0, 65535, m.port);
}

// --meter-noise PERCENT, such as 0.5 or 0.5%
bool ParsePercent(std::string text, double& out) {
  if (text.ends_with('%')) text.pop_back();
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < 0 || value > 100) {
    return false;
  }
  out = value / 100.0;
  return true;
}

// Decibels of attenuation, 0 to 60.
bool ParseDecibels(const std::string& text, double& out) {
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || !(value >= 0 && value <= 60)) {
    return false;
  }
  out = value;
  return true;
}

template <class Duration>
bool ParseDuration(const std::string& text, Duration& out) {
  typename Duration::rep count = 0;
  if (!ParseNumber(text, 10, typename Duration::rep{0}, typename Duration::rep{86'400'000},
                   count)) {
    return false;
  }
  out = Duration(count);
  return true;
}

// The meter's options; false when the name is none of them or its value is bad.
bool ParseMeterOption(const std::string& name, const std::function<std::string()>& value,
                      MeterOptions& m) {
  meter::MeterFaults& f = m.meter.faults;
  if (name == "--meter") return ParseMeter(value(), m);
  if (name == "--radio-seed") {
    if (!ParseNumber(value(), 10, std::uint64_t{0}, UINT64_MAX, m.transmitter.radioSeed)) {
      return false;
    }
    m.meter.seed = m.transmitter.radioSeed;
    return true;
  }
  if (name == "--pa-settle-ms") return ParseDuration(value(), m.transmitter.settleTime);
  if (name == "--attenuator-db") return ParseDecibels(value(), m.attenuatorDb);
  if (name == "--tx-hold-s") return ParseDuration(value(), m.transmitter.holdTime);
  if (name == "--meter-noise") return ParsePercent(value(), m.meter.noise);
  if (name == "--meter-error") return ParseNumber(value(), 10, -999, 999, f.error) && f.error != 0;
  if (name == "--meter-slow") return ParseDuration(value(), f.slow);
  if (name == "--meter-silent") return f.silent = true;
  if (name == "--meter-overrange") return f.overrange = true;
  if (name == "--meter-stuck") return f.stuck = true;
  return false;
}

}  // namespace

std::optional<SimOptions> SimOptions::Parse(const std::vector<std::string>& args,
                                            std::string* error) {
  SimOptions o;
  RadioFaults& f = o.faults;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& name = args[i];
    bool ok = true;
    auto value = [&]() -> std::string {
      if (i + 1 < args.size()) return args[++i];
      ok = false;
      return {};
    };
    if (name == "--help" || name == "-h")
      o.help = true;
    else if (name == "--version")
      o.version = true;
    else if (name == "--link")
      o.linkPath = value();
    else if (name == "--memory")
      o.memoryPath = value();
    else if (name == "--log")
      o.logPath = value();
    else if (name == "--factory")
      o.factory = true;
    else if (name == "--paced")
      o.paced = true;
    else if (name == "--silent")
      f.silent = true;
    else if (name == "--silent-after-handshake")
      f.silentAfterHandshake = true;
    else if (name == "--handshake-reply") {
      std::uint8_t b = 0;
      ok = ParseByte(value(), b) && ok;
      f.handshakeReply = b;
    } else if (name == "--bad-read-header")
      ok = ParseBadHeader(value(), f) && ok;
    else if (name == "--refuse-write")
      ok = ParseRefuse(value(), f) && ok;
    else if (name == "--ignore-write")
      ok = ParseBlock(value(), f.unansweredWriteBlock) && ok;
    else if (name == "--corrupt-write")
      ok = ParseBlock(value(), f.corruptWriteBlock) && ok;
    else if (name == "--forget-write")
      ok = ParseBlock(value(), f.forgetWriteBlock) && ok;
    else if (name == "--live-reply")
      ok = ParseLiveReply(value(), f.liveReply) && ok;
    else if (name == "--noise")
      ok = ParseNoise(value(), f.noise) && ok;
    else if (name == "--noise-on")
      ok = ParseNoiseOn(value(), f.noiseOn) && ok;
    else if (name == "--drop-read")
      ok = ParseDrop(value(), f) && ok;
    else
      ok = ParseMeterOption(name, value, o.meter) && ok;
    if (!ok) {
      if (error) *error = "bad or incomplete option: " + name;
      return std::nullopt;
    }
  }
  return o;
}

const char* SimOptions::HelpText() {
  return R"(Usage: velmora-radio-sim [options]

Simulates the radio's programming port on a pseudo-terminal. The first line printed is the device
path to open as the radio's serial port. Stops cleanly on SIGINT or SIGTERM.

Options:
  --link PATH                also make the device reachable through a symlink at PATH; an old
                             symlink there is replaced, any other file is refused; removed on exit
  --memory FILE              keep the 8 KiB memory in FILE: loaded at start if it exists (it must
                             be exactly 8192 bytes), saved atomically after every write block;
                             a block that cannot be saved is refused (15) and not kept
  --factory                  start a fresh memory with a factory alignment instead of all 0xFF
  --log FILE                 log every byte in both directions with timestamps ("-": stderr),
                             the meter's as host>meter and meter>host
  --paced                    take and send bytes at the real 9600-baud speed (1.04 ms a byte)
  --help                     show this text and exit
  --version                  print the version and exit

Faults (block numbers count from 1 within a session; each handshake starts one):
  --silent                   never answer anything
  --handshake-reply HEX      answer the handshake with this byte instead of 06
  --silent-after-handshake   answer the handshake, then stay silent (identification unanswered)
  --bad-read-header I[:N]    invert byte I (0-3) of the block-read reply header, in read block N
                             only (default: every read block)
  --refuse-write N[:HEX]     answer write block N with HEX (default 15) and do not store it
  --ignore-write N           leave write block N unanswered and do not store it
  --corrupt-write N          acknowledge write block N but store it with its first byte inverted
  --forget-write N           acknowledge write block N but store nothing
  --live-reply 09|06|none    how live-tune commands are answered (default 09)
  --noise HEX[,HEX...]       send these bytes before each reply
  --noise-on KIND[,KIND...]  only before these replies: handshake, ident, ident-ack, read,
                             read-ack, write, live, all (default all)
  --drop-read N:K[:close]    in read block N send only the first K bytes of the 68-byte reply, then
                             go silent for good, or with ":close" close the line

Simulated power meter (see the manual page for its curve, noise and settling):
  --meter tcp:127.0.0.1:PORT serve an SCPI power meter on this loopback port (0: any free port;
                             the second line printed is then "meter tcp://127.0.0.1:PORT")
                             that measures this radio: a live command of a transmit table keys
                             it at that point's frequency and level
  --radio-seed N             this radio's own power curve (default 0)
  --pa-settle-ms MS          time constant of the power's first-order settling (default 30)
  --attenuator-db DB         an attenuator of DB (0-60) between the radio and the meter's
                             sensor (default 0); the example plan's bench has 30
  --tx-hold-s S              the radio unkeys this long after a live command (default 30);
                             a block read or write unkeys it at once
  --meter-noise PERCENT      relative noise of one sample (default 0.5), shrinking with the
                             square root of the meter's averaging count
  --meter-silent             the meter answers nothing
  --meter-error N            SCPI error N joins the meter's error queue after every setting
  --meter-overrange          every reading is the over-range value 9.9E37
  --meter-stuck              every reading repeats the first one
  --meter-slow MS            every meter answer comes MS later
)";
}

}  // namespace velmora::sim
