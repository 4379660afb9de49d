// velmora-radio-sim: the simulated radio on a pseudo-terminal, for trying the host by hand.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "sim/ByteLog.h"
#include "sim/FactoryAlignment.h"
#include "sim/MemoryFile.h"
#include "sim/MeterServer.h"
#include "sim/PtyRadioServer.h"
#include "sim/SimOptions.h"
#include "sim/TransmitterWatch.h"

#ifndef VELMORA_VERSION
#error "VELMORA_VERSION must name the program's version"
#endif

namespace {

using namespace velmora::sim;

constexpr std::time_t kSignalPollSeconds = 0;
constexpr long kSignalPollNanoseconds = 100'000'000;  // also how soon a closed line is noticed

int Fail(const std::string& message) {
  std::fprintf(stderr, "velmora-radio-sim: %s\n", message.c_str());
  return 1;
}

// Points PATH at the device; an old symlink is replaced, anything else is left alone.
bool MakeLink(const std::string& path, const std::string& target, std::string* error) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) {
    if (!S_ISLNK(st.st_mode)) {
      *error = path + ": exists and is not a symlink";
      return false;
    }
    ::unlink(path.c_str());
  }
  if (::symlink(target.c_str(), path.c_str()) != 0) {
    *error = path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

void RemoveLink(const std::string& path, const std::string& target) {
  std::vector<char> buffer(target.size() + 2);
  const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
  if (n >= 0 && std::string(buffer.data(), static_cast<std::size_t>(n)) == target) {
    ::unlink(path.c_str());
  }
}

bool PrepareMemory(const SimOptions& options, PtyRadioServer& server, std::string* error) {
  RadioMemory memory;
  memory.fill(0xFF);
  if (options.factory) memory = FactoryAlignment::Make();
  if (!options.memoryPath.empty() &&
      MemoryFile::Load(options.memoryPath, memory, error) == MemoryFile::LoadResult::Failed) {
    return false;
  }
  server.SetMemory(memory);
  return true;
}

// Waits for SIGINT or SIGTERM, or for a fault to close the line.
void WaitForEnd(const sigset_t& signals, const PtyRadioServer& server) {
  const timespec poll{kSignalPollSeconds, kSignalPollNanoseconds};
  while (server.running()) {
    if (::sigtimedwait(&signals, nullptr, &poll) > 0) return;
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  const auto options = SimOptions::Parse(std::vector<std::string>(argv + 1, argv + argc), &error);
  constexpr int kExitUsage = 2;  // as velmora and velmora-cli: bad usage is 2, a failure 1
  if (!options) {
    Fail(error + " (see --help)");
    return kExitUsage;
  }
  if (options->help) {
    std::fputs(SimOptions::HelpText(), stdout);
    return 0;
  }
  if (options->version) {
    std::puts("velmora-radio-sim " VELMORA_VERSION);
    return 0;
  }

  // Signals are taken by sigtimedwait on this thread only; the server thread inherits the mask.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  ByteLog log;
  if (!options->logPath.empty() && !log.Open(options->logPath, &error)) return Fail(error);
  PtyRadioServer server;
  if (!PrepareMemory(*options, server, &error)) return Fail(error);
  server.SetFaults(options->faults);
  server.SetPaced(options->paced);
  velmora::meter::Transmitter transmitter(options->meter.transmitter);
  const double sensorShare = std::pow(10.0, -options->meter.attenuatorDb / 10.0);
  MeterServer meterServer(
      [&transmitter, sensorShare](auto at) { return transmitter.Watts(at) * sensorShare; },
      options->meter.meter);
  if (!options->logPath.empty()) {
    const ByteLogger logger = [&log](ByteDirection d, std::span<const std::uint8_t> bytes,
                                     SimClock::time_point at) { log.Write(d, bytes, at); };
    server.SetByteLogger(logger);
    meterServer.SetByteLogger(logger);
  }
  if (!options->memoryPath.empty()) {
    // A block is acknowledged only once it is in the file; otherwise the host sees it refused.
    server.SetMemoryWrittenListener([&](const RadioMemory& memory) {
      std::string saveError;
      if (MemoryFile::Save(options->memoryPath, memory, &saveError)) return true;
      std::fprintf(stderr, "velmora-radio-sim: %s; write block refused\n", saveError.c_str());
      return false;
    });
  }
  if (options->meter.enabled) {
    server.SetTransmitListener(TransmitterWatch::Listener(transmitter));
    if (!meterServer.Start(options->meter.host, options->meter.port, &error)) return Fail(error);
  }
  if (!server.Start(&error)) return Fail(error);
  if (!options->linkPath.empty() && !MakeLink(options->linkPath, server.slavePath(), &error)) {
    server.Stop();
    return Fail(error);
  }
  std::printf("%s\n", server.slavePath().c_str());
  if (options->meter.enabled) std::printf("meter tcp://127.0.0.1:%d\n", meterServer.port());
  std::fflush(stdout);

  WaitForEnd(signals, server);
  if (server.lineClosed()) log.Note("line closed by the drop fault");
  server.Stop();
  meterServer.Stop();
  if (!options->linkPath.empty()) RemoveLink(options->linkPath, server.slavePath());
  return 0;
}
