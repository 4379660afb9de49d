#pragma once

#include <QObject>
#include <atomic>

namespace velmora {

// Lets only one transfer touch the image at a time: the main window's read or write and the band
// pages' live tunes all pass through the one gate of the window. Entered on the user-interface
// thread when a job starts, left by the job when it has ended.
class TransferGate : public QObject {
  Q_OBJECT

 public:
  // On success emits Entered, on the caller's thread.
  bool TryEnter();
  // Called by the worker as its last step; Released reaches the user-interface thread queued.
  void Leave();
  bool IsOpen() const { return !m_busy.load(); }

  // Holds the gate on the user-interface thread for as long as it lives (a chooser, a run being
  // set up), refused while a job runs; HandOver leaves the leaving to whoever goes on with it.
  class Hold {
   public:
    explicit Hold(TransferGate& gate) : m_gate(gate), m_held(gate.TryEnter()) {}
    ~Hold() {
      if (m_held) m_gate.Leave();
    }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;
    explicit operator bool() const { return m_held; }
    void HandOver() { m_held = false; }

   private:
    TransferGate& m_gate;
    bool m_held;
  };

 signals:
  void Entered();
  void Released();

 private:
  std::atomic<bool> m_busy{false};
};

}  // namespace velmora
