#pragma once

#include <poll.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace velmora::sim {

// The thread a simulated device serves its descriptors on. Every wait it makes through Wait ends
// at once when Stop() is called, so a stop never waits for a client or a line.
class ServerThread {
 public:
  enum class Woken { Ready, TimedOut, Stopped };
  static constexpr std::chrono::milliseconds kForever{-1};

  ServerThread() = default;
  ServerThread(const ServerThread&) = delete;
  ServerThread& operator=(const ServerThread&) = delete;
  ~ServerThread() { Stop(); }

  // False, with the reason, when the thread's wake-up line cannot be made.
  bool Start(std::function<void()> serve, std::string* error);
  void Stop();
  bool stopping() const { return m_stop; }

  // Polls fds (their revents filled) until one is ready, the time is up, or Stop() is called.
  Woken Wait(std::vector<pollfd>& fds, std::chrono::milliseconds timeout = kForever);

 private:
  int m_wake[2] = {-1, -1};
  std::thread m_thread;
  std::atomic<bool> m_stop{false};
};

}  // namespace velmora::sim
