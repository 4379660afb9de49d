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

 signals:
  void Entered();
  void Released();

 private:
  std::atomic<bool> m_busy{false};
};

}  // namespace velmora
