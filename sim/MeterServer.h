#pragma once

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "model/SimulatedMeter.h"
#include "sim/PtyRadioServer.h"
#include "sim/ServerThread.h"

namespace velmora::sim {

// Serves a simulated power meter on a loopback TCP port from its own thread, as an LXI meter
// serves SCPI on its socket: command lines in, answer lines out, for any number of clients.
class MeterServer {
 public:
  MeterServer(meter::SimulatedMeter::PowerSource source, const meter::MeterSettings& settings);
  ~MeterServer();
  MeterServer(const MeterServer&) = delete;
  MeterServer& operator=(const MeterServer&) = delete;

  // Set before Start; runs on the server thread with the bytes each way.
  void SetByteLogger(ByteLogger logger) { m_logger = std::move(logger); }
  // Listens on 127.0.0.1 (given as such or as "localhost") only; port 0 takes a free port.
  bool Start(const std::string& host, int port, std::string* error);
  void Stop();
  int port() const { return m_port; }

  static bool IsLoopback(const std::string& host);

 private:
  struct Client {
    int fd;
    std::string line;
  };
  void Serve();
  bool Take(Client& client);  // false when the client has gone
  void Answer(int fd, const std::string& line);
  void Log(ByteDirection direction, std::string_view bytes);

  meter::SimulatedMeter m_meter;  // only the server thread touches it once started
  ByteLogger m_logger;
  int m_listen = -1;
  int m_port = 0;
  std::vector<Client> m_clients;
  ServerThread m_thread;  // last: it stops before what it serves goes
};

}  // namespace velmora::sim
