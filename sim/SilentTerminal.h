#pragma once

#include <string>

#include "sim/PseudoTerminal.h"

namespace velmora::sim {

// A serial device that opens fine but where nobody ever answers: what a COM port without a radio
// looks like. Whatever the host sends stays unread on the far side; no thread is involved.
class SilentTerminal {
 public:
  bool Open(std::string* error = nullptr) { return m_pty.Open(error); }
  void Close() { m_pty.Close(); }
  const std::string& slavePath() const { return m_pty.slavePath(); }

 private:
  PseudoTerminal m_pty;
};

}  // namespace velmora::sim
