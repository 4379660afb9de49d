#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <csignal>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace velmora {

// Turns the signals that ask a program to stop (Ctrl-C, kill, a closed terminal or session) into
// a call on this object's thread (or, for an owner that runs its job itself and turns no event
// loop, into a flag it asks between its steps), so a running job can be cancelled between
// exchanges and its outcome still reported. The handler only records the signal and writes one
// byte to a pipe; a second signal while this object lives ends the program at once. A signal the
// program was started ignoring (nohup) stays ignored. One object at a time; a job run inside a
// command that already has one asks that one.
class StopSignals : public QObject {
  Q_OBJECT

 public:
  using Stop = std::function<void(int signal)>;
  // Where stop is called: through this thread's event loop, or nowhere (the owner asks Received).
  enum class Delivery { EventLoop, Polled };

  explicit StopSignals(Stop stop, Delivery delivery = Delivery::EventLoop,
                       std::vector<int> caught = {SIGINT, SIGTERM, SIGHUP});
  ~StopSignals() override;
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // The stop signal received since this object was made, 0 for none; safe from any thread.
  static int Received();
  // Whether an object is catching the stop signals now.
  static bool Installed();
  // What a second signal prints before the program ends, one text per key (a port); an empty
  // text removes the key's. Any thread; the texts are made here, never in the handler.
  static void SetLastWords(int key, const std::string& text);

 private:
  void Drain();
  void Deliver();

  Stop m_stop;
  std::vector<int> m_signals;
  std::vector<struct sigaction> m_previous;
  std::unique_ptr<QSocketNotifier> m_notifier;
  bool m_installed = false;
};

}  // namespace velmora
